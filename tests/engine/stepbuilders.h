#pragma once

#include "names/renameoperationwrapper.h"

// One step of each mode with the fields the tests vary; every other field keeps its default.

inline RenameOperationWrapper replaceStep(const QString &find, const QString &with,
                                          ReplaceOccurrence occurrence = ReplaceOccurrence::all,
                                          bool caseSensitive = false)
{
    return {.mode = RenameMode::replace,
            .findText = find,
            .replaceText = with,
            .caseSensitive = caseSensitive,
            .replaceOccurrence = occurrence};
}

inline RenameOperationWrapper regexStep(const QString &pattern, const QString &replacement)
{
    return {.mode = RenameMode::regex, .regexPattern = pattern, .regexReplacement = replacement};
}

inline RenameOperationWrapper trimStep(TrimType type, TrimPosition position,
                                       const QString &characters = {}, qint64 count = 1)
{
    return {.mode = RenameMode::trim,
            .trimType = type,
            .trimCount = count,
            .trimPosition = position,
            .customCharacters = characters};
}

inline RenameOperationWrapper caseStep(CaseType type)
{
    return {.mode = RenameMode::changeCase, .caseType = type};
}

inline RenameOperationWrapper appendStep(const QString &text, bool beforeExtension = true)
{
    return {.mode = RenameMode::append, .appendText = text, .beforeExtension = beforeExtension};
}

inline RenameOperationWrapper prependStep(const QString &text)
{
    return {.mode = RenameMode::prepend, .prependText = text};
}

inline RenameOperationWrapper sequenceStep(qint64 start = 1, qint64 padding = 2,
                                           SequenceLocation location = SequenceLocation::after,
                                           bool useOriginalName = false)
{
    return {.mode = RenameMode::sequence,
            .sequenceStart = start,
            .sequencePadding = padding,
            .sequenceLocation = location,
            .useOriginalName = useOriginalName};
}

inline RenameOperationWrapper infoStep(FileInfoField field,
                                       InfoPlacement placement = InfoPlacement::before,
                                       const QString &separator = u" "_qs,
                                       MissingInfo missing = MissingInfo::flagRow,
                                       const QString &format = u"yyyy-MM-dd"_qs)
{
    return {.mode = RenameMode::fileInfo,
            .infoField = field,
            .infoDateFormat = format,
            .infoPlacement = placement,
            .infoSeparator = separator,
            .infoWhenMissing = missing};
}
