#include "renameenums.h"

QString rawValue(RenameMode value)
{
    switch (value) {
    case RenameMode::replace:
        return QStringLiteral("replace");
    case RenameMode::regex:
        return QStringLiteral("regex");
    case RenameMode::trim:
        return QStringLiteral("trim");
    case RenameMode::append:
        return QStringLiteral("append");
    case RenameMode::prepend:
        return QStringLiteral("prepend");
    case RenameMode::changeCase:
        return QStringLiteral("changeCase");
    case RenameMode::sequence:
        return QStringLiteral("sequence");
    }
    return {};
}

QString rawValue(ReplaceOccurrence value)
{
    switch (value) {
    case ReplaceOccurrence::first:
        return QStringLiteral("first");
    case ReplaceOccurrence::last:
        return QStringLiteral("last");
    case ReplaceOccurrence::all:
        return QStringLiteral("all");
    }
    return {};
}

QString rawValue(SequenceLocation value)
{
    switch (value) {
    case SequenceLocation::before:
        return QStringLiteral("before");
    case SequenceLocation::after:
        return QStringLiteral("after");
    }
    return {};
}

QString rawValue(TrimType value)
{
    switch (value) {
    case TrimType::spaces:
        return QStringLiteral("spaces");
    case TrimType::customCharacters:
        return QStringLiteral("customCharacters");
    case TrimType::characterCount:
        return QStringLiteral("characterCount");
    }
    return {};
}

QString rawValue(TrimPosition value)
{
    switch (value) {
    case TrimPosition::leading:
        return QStringLiteral("leading");
    case TrimPosition::trailing:
        return QStringLiteral("trailing");
    case TrimPosition::both:
        return QStringLiteral("both");
    }
    return {};
}

QString rawValue(CaseType value)
{
    switch (value) {
    case CaseType::uppercase:
        return QStringLiteral("UPPERCASE");
    case CaseType::lowercase:
        return QStringLiteral("lowercase");
    case CaseType::titleCase:
        return QStringLiteral("Title Case");
    case CaseType::camelCase:
        return QStringLiteral("camelCase");
    case CaseType::snakeCase:
        return QStringLiteral("snake_case");
    }
    return {};
}
