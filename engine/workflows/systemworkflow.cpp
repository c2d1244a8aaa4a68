#include "workflows/systemworkflow.h"

#include "names/unicodetext.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>

namespace SystemWorkflows {

QString datePrefix(const QDateTime &now)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(icu::UnicodeString(u"yyyyMMdd"), icu::Locale::getDefault(),
                                 status);
    if (U_FAILURE(status))
        return now.toLocalTime().toString(QStringLiteral("yyyyMMdd"));
    icu::UnicodeString text;
    format.format(static_cast<UDate>(now.toMSecsSinceEpoch()), text);
    return UnicodeText::fromIcu(text);
}

QList<RenameOperationWrapper> operations(SystemWorkflow workflow)
{
    return operations(workflow, QDateTime::currentDateTime());
}

QList<RenameOperationWrapper> operations(SystemWorkflow workflow, const QDateTime &now)
{
    auto step = [](RenameMode mode) {
        RenameOperationWrapper operation;
        operation.mode = mode;
        return operation;
    };

    switch (workflow) {
    case SystemWorkflow::photoOrganization: {
        RenameOperationWrapper date = step(RenameMode::prepend);
        date.prependText = datePrefix(now) + u'_';
        RenameOperationWrapper lower = step(RenameMode::changeCase);
        lower.caseType = CaseType::lowercase;
        RenameOperationWrapper trim = step(RenameMode::trim);
        trim.trimType = TrimType::spaces;
        trim.trimPosition = TrimPosition::leading;
        RenameOperationWrapper number = step(RenameMode::sequence);
        number.useOriginalName = true;
        number.sequenceStart = 1;
        number.sequencePadding = 3;
        number.sequenceLocation = SequenceLocation::after;
        return {date, lower, trim, number};
    }
    case SystemWorkflow::webSafeNames: {
        RenameOperationWrapper lower = step(RenameMode::changeCase);
        lower.caseType = CaseType::lowercase;
        RenameOperationWrapper dashes = step(RenameMode::replace);
        dashes.findText = QStringLiteral(" ");
        dashes.replaceText = QStringLiteral("-");
        dashes.replaceOccurrence = ReplaceOccurrence::all;
        dashes.caseSensitive = false;
        return {lower, dashes};
    }
    case SystemWorkflow::documentCleanup: {
        RenameOperationWrapper title = step(RenameMode::changeCase);
        title.caseType = CaseType::titleCase;
        RenameOperationWrapper trim = step(RenameMode::trim);
        trim.trimType = TrimType::customCharacters;
        trim.customCharacters = QStringLiteral(" ");
        trim.trimPosition = TrimPosition::both;
        return {title, trim};
    }
    case SystemWorkflow::cleanAndNumber: {
        RenameOperationWrapper trim = step(RenameMode::trim);
        trim.trimType = TrimType::customCharacters;
        trim.customCharacters = QStringLiteral(" ");
        trim.trimPosition = TrimPosition::both;
        RenameOperationWrapper number = step(RenameMode::sequence);
        number.sequenceBaseName = QStringLiteral("File");
        number.sequenceStart = 1;
        number.sequencePadding = 3;
        number.sequenceLocation = SequenceLocation::before;
        number.useOriginalName = false;
        return {trim, number};
    }
    }
    return {};
}

} // namespace SystemWorkflows
