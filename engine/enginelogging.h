#pragma once

// Internal to the engine: not part of its interface.

#include <QLoggingCategory>

// Diagnostics of the engine, under the category "brisklet.engine".
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
