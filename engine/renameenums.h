#pragma once

#include <QString>

#include <array>
#include <optional>

// The choices of one rename step. Each case has a string raw value, which is also the
// form written to the preferences store; the order of the cases is the order in which
// the editor offers them.

enum class RenameMode { replace, regex, trim, append, prepend, changeCase, sequence };
enum class ReplaceOccurrence { first, last, all };
enum class SequenceLocation { before, after };
enum class TrimType { spaces, customCharacters, characterCount };
enum class TrimPosition { leading, trailing, both };
// The raw values of CaseType differ from the case names and double as the editor's labels.
enum class CaseType { uppercase, lowercase, titleCase, camelCase, snakeCase };

QString rawValue(RenameMode value);
QString rawValue(ReplaceOccurrence value);
QString rawValue(SequenceLocation value);
QString rawValue(TrimType value);
QString rawValue(TrimPosition value);
QString rawValue(CaseType value);

template <typename Enum> struct EnumCases;

template <> struct EnumCases<RenameMode> {
    static constexpr std::array all{
        RenameMode::replace, RenameMode::regex,      RenameMode::trim,    RenameMode::append,
        RenameMode::prepend, RenameMode::changeCase, RenameMode::sequence};
};
template <> struct EnumCases<ReplaceOccurrence> {
    static constexpr std::array all{ReplaceOccurrence::first, ReplaceOccurrence::last,
                                    ReplaceOccurrence::all};
};
template <> struct EnumCases<SequenceLocation> {
    static constexpr std::array all{SequenceLocation::before, SequenceLocation::after};
};
template <> struct EnumCases<TrimType> {
    static constexpr std::array all{TrimType::spaces, TrimType::customCharacters,
                                    TrimType::characterCount};
};
template <> struct EnumCases<TrimPosition> {
    static constexpr std::array all{TrimPosition::leading, TrimPosition::trailing,
                                    TrimPosition::both};
};
template <> struct EnumCases<CaseType> {
    static constexpr std::array all{CaseType::uppercase, CaseType::lowercase, CaseType::titleCase,
                                    CaseType::camelCase, CaseType::snakeCase};
};

// Exact match on the raw value, letter case included; anything else is no case.
template <typename Enum> std::optional<Enum> enumFromRawValue(const QString &raw)
{
    for (Enum value : EnumCases<Enum>::all) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}
