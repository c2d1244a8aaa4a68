#pragma once

#include "names/renameoperationwrapper.h"

// One step of each mode with the fields the tests vary; every other field keeps its default.

inline RenameOperationWrapper replaceStep(const QString &find, const QString &with,
                                          ReplaceOccurrence occurrence = ReplaceOccurrence::all,
                                          bool caseSensitive = false)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::replace;
    step.findText = find;
    step.replaceText = with;
    step.replaceOccurrence = occurrence;
    step.caseSensitive = caseSensitive;
    return step;
}

inline RenameOperationWrapper regexStep(const QString &pattern, const QString &replacement)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::regex;
    step.regexPattern = pattern;
    step.regexReplacement = replacement;
    return step;
}

inline RenameOperationWrapper trimStep(TrimType type, TrimPosition position,
                                       const QString &characters = {}, qint64 count = 1)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::trim;
    step.trimType = type;
    step.trimPosition = position;
    step.customCharacters = characters;
    step.trimCount = count;
    return step;
}

inline RenameOperationWrapper caseStep(CaseType type)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::changeCase;
    step.caseType = type;
    return step;
}

inline RenameOperationWrapper appendStep(const QString &text, bool beforeExtension = true)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::append;
    step.appendText = text;
    step.beforeExtension = beforeExtension;
    return step;
}

inline RenameOperationWrapper prependStep(const QString &text)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::prepend;
    step.prependText = text;
    return step;
}

inline RenameOperationWrapper sequenceStep(qint64 start = 1, qint64 padding = 2,
                                           SequenceLocation location = SequenceLocation::after,
                                           bool useOriginalName = false)
{
    RenameOperationWrapper step;
    step.mode = RenameMode::sequence;
    step.sequenceStart = start;
    step.sequencePadding = padding;
    step.sequenceLocation = location;
    step.useOriginalName = useOriginalName;
    return step;
}
