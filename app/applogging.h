#pragma once

#include <QLoggingCategory>

// Diagnostics of the application, under the category "brisklet.app".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
