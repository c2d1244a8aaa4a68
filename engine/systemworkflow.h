#pragma once

#include "renameoperationwrapper.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

// The built-in workflows. They are never stored: choosing one builds a fresh stack.
enum class SystemWorkflow { photoOrganization, webSafeNames, documentCleanup, cleanAndNumber };

namespace SystemWorkflows {

inline constexpr std::array all{SystemWorkflow::photoOrganization, SystemWorkflow::webSafeNames,
                                SystemWorkflow::documentCleanup, SystemWorkflow::cleanAndNumber};

QString rawValue(SystemWorkflow workflow);
QString label(SystemWorkflow workflow);
// A symbol name of the icon table.
QString iconName(SystemWorkflow workflow);

// A new list with new ids each time. The photo workflow's date prefix is today's date in
// the user's locale, calendar and time zone.
QList<RenameOperationWrapper> operations(SystemWorkflow workflow);
QList<RenameOperationWrapper> operations(SystemWorkflow workflow, const QDateTime &now);

// "yyyyMMdd" formatted by ICU in the user's locale, calendar and time zone.
QString datePrefix(const QDateTime &now);

} // namespace SystemWorkflows
