#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>
#include <string_view>

// The choices of one rename step. Each case has a string raw value, which is also the
// form written to the preferences store; the order of the cases is the order in which
// the editor offers them.

enum class RenameMode { replace, regex, trim, append, prepend, changeCase, sequence, fileInfo };
enum class ReplaceOccurrence { first, last, all };
enum class SequenceLocation { before, after };
enum class TrimType { spaces, customCharacters, characterCount };
enum class TrimPosition { leading, trailing, both };
// The raw values of CaseType differ from the case names and double as the editor's labels.
enum class CaseType { uppercase, lowercase, titleCase, camelCase, snakeCase };
// What a file-info step puts into the name, read from the file itself.
enum class FileInfoField {
    dateTaken,
    dateModified,
    cameraModel,
    imageSize,
    artist,
    album,
    title,
    trackNumber,
    year
};
// Where a file-info step puts what it read: before the name, after it, or in its place.
enum class InfoPlacement { before, after, instead };
// What a file-info step does with a file that lacks what it reads: the row is flagged and
// not renamed, or, for a date taken, the date modified stands in.
enum class MissingInfo { flagRow, useDateModified };

// One case of an enumeration and its raw value.
template <typename Enum> struct EnumRow {
    Enum value;
    std::u16string_view raw;
};

// The cases of an enumeration in declaration order, which a table must follow row by row:
// a row missing or out of place stops the build here.
template <typename Enum, size_t Count>
constexpr std::array<Enum, Count> casesOf(const std::array<EnumRow<Enum>, Count> &rows)
{
    std::array<Enum, Count> cases{};
    for (size_t i = 0; i < Count; ++i) {
        if (rows[i].value != static_cast<Enum>(i))
            throw "the rows of an enumeration table must follow its declaration";
        cases[i] = rows[i].value;
    }
    return cases;
}

// Each enumeration's table: `rows` gives every case its raw value, `all` lists the cases.
template <typename Enum> struct EnumCases;

template <> struct EnumCases<RenameMode> {
    using Row = EnumRow<RenameMode>;
    static constexpr std::array rows{
        Row{RenameMode::replace, u"replace"},   Row{RenameMode::regex, u"regex"},
        Row{RenameMode::trim, u"trim"},         Row{RenameMode::append, u"append"},
        Row{RenameMode::prepend, u"prepend"},   Row{RenameMode::changeCase, u"changeCase"},
        Row{RenameMode::sequence, u"sequence"}, Row{RenameMode::fileInfo, u"fileInfo"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<ReplaceOccurrence> {
    using Row = EnumRow<ReplaceOccurrence>;
    static constexpr std::array rows{Row{ReplaceOccurrence::first, u"first"},
                                     Row{ReplaceOccurrence::last, u"last"},
                                     Row{ReplaceOccurrence::all, u"all"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<SequenceLocation> {
    using Row = EnumRow<SequenceLocation>;
    static constexpr std::array rows{Row{SequenceLocation::before, u"before"},
                                     Row{SequenceLocation::after, u"after"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<TrimType> {
    using Row = EnumRow<TrimType>;
    static constexpr std::array rows{Row{TrimType::spaces, u"spaces"},
                                     Row{TrimType::customCharacters, u"customCharacters"},
                                     Row{TrimType::characterCount, u"characterCount"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<TrimPosition> {
    using Row = EnumRow<TrimPosition>;
    static constexpr std::array rows{Row{TrimPosition::leading, u"leading"},
                                     Row{TrimPosition::trailing, u"trailing"},
                                     Row{TrimPosition::both, u"both"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<CaseType> {
    using Row = EnumRow<CaseType>;
    static constexpr std::array rows{
        Row{CaseType::uppercase, u"UPPERCASE"}, Row{CaseType::lowercase, u"lowercase"},
        Row{CaseType::titleCase, u"Title Case"}, Row{CaseType::camelCase, u"camelCase"},
        Row{CaseType::snakeCase, u"snake_case"}};
    static constexpr std::array all = casesOf(rows);
};

template <> struct EnumCases<FileInfoField> {
    using Row = EnumRow<FileInfoField>;
    static constexpr std::array rows{Row{FileInfoField::dateTaken, u"dateTaken"},
                                     Row{FileInfoField::dateModified, u"dateModified"},
                                     Row{FileInfoField::cameraModel, u"cameraModel"},
                                     Row{FileInfoField::imageSize, u"imageSize"},
                                     Row{FileInfoField::artist, u"artist"},
                                     Row{FileInfoField::album, u"album"},
                                     Row{FileInfoField::title, u"title"},
                                     Row{FileInfoField::trackNumber, u"trackNumber"},
                                     Row{FileInfoField::year, u"year"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<InfoPlacement> {
    using Row = EnumRow<InfoPlacement>;
    static constexpr std::array rows{Row{InfoPlacement::before, u"before"},
                                     Row{InfoPlacement::after, u"after"},
                                     Row{InfoPlacement::instead, u"instead"}};
    static constexpr std::array all = casesOf(rows);
};
template <> struct EnumCases<MissingInfo> {
    using Row = EnumRow<MissingInfo>;
    static constexpr std::array rows{Row{MissingInfo::flagRow, u"flagRow"},
                                     Row{MissingInfo::useDateModified, u"useDateModified"}};
    static constexpr std::array all = casesOf(rows);
};

template <typename Enum>
concept TabledEnum = requires
{
    EnumCases<Enum>::rows;
};

// The raw value of a case; the text points into the table, so nothing is allocated.
template <TabledEnum Enum> QString rawValue(Enum value)
{
    const auto index = static_cast<size_t>(value);
    if (index >= EnumCases<Enum>::rows.size())
        return {};
    const std::u16string_view raw = EnumCases<Enum>::rows[index].raw;
    return QString::fromRawData(reinterpret_cast<const QChar *>(raw.data()),
                                static_cast<qsizetype>(raw.size()));
}

// Exact match on the raw value, letter case included; anything else is no case.
template <TabledEnum Enum> std::optional<Enum> enumFromRawValue(QStringView raw)
{
    for (const EnumRow<Enum> &row : EnumCases<Enum>::rows) {
        if (QStringView(row.raw) == raw)
            return row.value;
    }
    return std::nullopt;
}
