#pragma once

#include "names/renameenums.h"
#include "names/renameoperationwrapper.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <array>

// The built-in workflows. They are never stored: choosing one builds a fresh stack.
// Their labels and icons belong to the user interface.
enum class SystemWorkflow { photoOrganization, webSafeNames, documentCleanup, cleanAndNumber };

template <> struct EnumCases<SystemWorkflow> {
    using Row = EnumRow<SystemWorkflow>;
    static constexpr std::array rows{Row{SystemWorkflow::photoOrganization, u"photoOrganization"},
                                     Row{SystemWorkflow::webSafeNames, u"webSafeNames"},
                                     Row{SystemWorkflow::documentCleanup, u"documentCleanup"},
                                     Row{SystemWorkflow::cleanAndNumber, u"cleanAndNumber"}};
    static constexpr std::array all = casesOf(rows);
};

namespace SystemWorkflows {

inline constexpr std::array all = EnumCases<SystemWorkflow>::all;

// A new list with new ids each time. The photo workflow's date prefix is today's date in
// the user's locale, calendar and time zone.
QList<RenameOperationWrapper> operations(SystemWorkflow workflow);
QList<RenameOperationWrapper> operations(SystemWorkflow workflow, const QDateTime &now);

// "yyyyMMdd" formatted by ICU in the user's locale, calendar and time zone.
QString datePrefix(const QDateTime &now);

} // namespace SystemWorkflows
