#include "names/fileinfostep.h"

#include "fileinfo/datepattern.h"

#include "names/nameparts.h"
#include "names/unicodetext.h"

#include <QCoreApplication>

#include <algorithm>

#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FileInfoStep", text);
}

bool isDate(FileInfoField field)
{
    return field == FileInfoField::dateTaken || field == FileInfoField::dateModified;
}

// What a file said, as it can stand in a name: "/", "\" and ":" cannot be in a name and
// become "-", control characters go, and white space at either end goes. Nothing left is
// nothing said.
std::optional<QString> nameable(const QString &text)
{
    const auto unfit = [](QChar c) {
        return c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control;
    };
    // Most texts, and every date of a usual pattern, can stand as they are: no copy.
    if (!text.isEmpty() && !text.front().isSpace() && !text.back().isSpace() &&
        std::none_of(text.cbegin(), text.cend(), unfit))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control)
            out.append(unfit(c) ? QChar(u'-') : c);
    }
    out = out.trimmed();
    if (out.isEmpty())
        return std::nullopt;
    return out;
}

} // namespace

FileInfoStep::FileInfoStep(const RenameOperationWrapper &operation) : m_operation(operation)
{
    if (isDate(operation.infoField) || operation.infoWhenMissing == MissingInfo::useDateModified) {
        m_works = DatePattern::problem(operation.infoDateFormat).isEmpty();
        if (m_works) {
            m_takenFormat = DatePattern::formatter(operation.infoDateFormat, true);
            m_modifiedFormat = DatePattern::formatter(operation.infoDateFormat, false);
            m_works = m_takenFormat && m_modifiedFormat;
            m_daysOnly = DatePattern::showsDaysOnly(operation.infoDateFormat);
        }
    }
    m_missing = missingMessage(operation.infoField);
}

FileInfoStep::~FileInfoStep() = default;

bool FileInfoStep::works() const
{
    return m_works;
}

QString FileInfoStep::formatProblem(const RenameOperationWrapper &operation)
{
    if (operation.mode != RenameMode::fileInfo || !isDate(operation.infoField))
        return {};
    return DatePattern::problem(operation.infoDateFormat);
}

FileInfoReader::Depth FileInfoStep::depthFor(const RenameOperationWrapper &operation)
{
    return operation.infoField == FileInfoField::dateModified ? FileInfoReader::Depth::stamps
                                                              : FileInfoReader::Depth::everything;
}

bool FileInfoStep::readsFileInfo(const QList<RenameOperationWrapper> &operations)
{
    return std::any_of(operations.cbegin(), operations.cend(), [](const auto &operation) {
        return operation.mode == RenameMode::fileInfo;
    });
}

FileInfoReader::Depth FileInfoStep::depthFor(const QList<RenameOperationWrapper> &operations)
{
    for (const RenameOperationWrapper &operation : operations) {
        if (operation.mode == RenameMode::fileInfo &&
            depthFor(operation) == FileInfoReader::Depth::everything)
            return FileInfoReader::Depth::everything;
    }
    return FileInfoReader::Depth::stamps;
}

QString FileInfoStep::readingMessage()
{
    return tr("Reading file info…");
}

QString FileInfoStep::missingMessage(FileInfoField field)
{
    switch (field) {
    case FileInfoField::dateTaken:
        return tr("No date taken in this file");
    case FileInfoField::dateModified:
        return tr("No date modified for this file");
    case FileInfoField::cameraModel:
        return tr("No camera model in this file");
    case FileInfoField::imageSize:
        return tr("No image size in this file");
    case FileInfoField::artist:
        return tr("No artist in this file");
    case FileInfoField::album:
        return tr("No album in this file");
    case FileInfoField::title:
        return tr("No title in this file");
    case FileInfoField::trackNumber:
        return tr("No track number in this file");
    case FileInfoField::year:
        return tr("No year in this file");
    }
    return {};
}

std::optional<QString> FileInfoStep::fieldText(const FileInfo &info, FileInfoField field) const
{
    switch (field) {
    case FileInfoField::dateTaken:
        if (!info.dateTaken)
            return std::nullopt;
        return date(*m_takenFormat, *info.dateTaken, true);
    case FileInfoField::dateModified:
        // Floor division: a time before 1970 keeps its second.
        return date(*m_modifiedFormat,
                    info.modifiedNanoseconds >= 0 ? info.modifiedNanoseconds / 1000000
                                                  : (info.modifiedNanoseconds - 999999) / 1000000,
                    false);
    case FileInfoField::cameraModel:
        return info.cameraModel;
    case FileInfoField::imageSize:
        if (info.width <= 0 || info.height <= 0)
            return std::nullopt;
        return QString::number(info.width) + u'×' + QString::number(info.height);
    case FileInfoField::artist:
        return info.artist;
    case FileInfoField::album:
        return info.album;
    case FileInfoField::title:
        return info.title;
    case FileInfoField::trackNumber:
        if (info.trackNumber <= 0)
            return std::nullopt;
        return QString::number(info.trackNumber).rightJustified(2, u'0');
    case FileInfoField::year:
        if (info.year <= 0)
            return std::nullopt;
        return QString::number(info.year).rightJustified(4, u'0');
    }
    return std::nullopt;
}

QString FileInfoStep::date(icu::SimpleDateFormat &format, qint64 milliseconds, bool utc) const
{
    if (!m_daysOnly)
        return DatePattern::format(format, milliseconds);
    qint64 wallClock = milliseconds;
    if (!utc) {
        int32_t raw = 0;
        int32_t summer = 0;
        UErrorCode status = U_ZERO_ERROR;
        format.getTimeZone().getOffset(UDate(milliseconds), false, raw, summer, status);
        if (U_FAILURE(status))
            return DatePattern::format(format, milliseconds);
        wallClock += qint64(raw) + summer;
    }
    constexpr qint64 day = 86400000;
    const qint64 days = wallClock >= 0 ? wallClock / day : (wallClock - day + 1) / day;
    const qint64 key = days * 2 + (utc ? 0 : 1);
    if (const auto known = m_days.constFind(key); known != m_days.cend())
        return *known;
    QString text = DatePattern::format(format, milliseconds);
    m_days.insert(key, text);
    return text;
}

FileInfoStep::Value FileInfoStep::valueOf(const FileInfo &info) const
{
    if (!info.problem.isEmpty())
        return {QString(), OptionalText(info.problem)};
    if (!m_works)
        return {};
    const FileInfoField field = m_operation.infoField;
    if (std::optional<QString> text = fieldText(info, field); text) {
        if (std::optional<QString> piece = nameable(*text))
            return {std::move(*piece), OptionalText()};
    }
    // Only a date taken falls back to the date modified, which every file that could be
    // read has.
    if (field == FileInfoField::dateTaken &&
        m_operation.infoWhenMissing == MissingInfo::useDateModified) {
        if (std::optional<QString> piece = nameable(*fieldText(info, FileInfoField::dateModified)))
            return {std::move(*piece), OptionalText()};
    }
    return {QString(), m_missing};
}

void FileInfoStep::place(const QString &name, QStringView piece, const RenameOperationWrapper &step,
                         QString &out)
{
    const QStringView separator = step.infoSeparator;
    switch (step.infoPlacement) {
    case InfoPlacement::before:
        UnicodeText::assign(out, {piece, separator, name});
        return;
    case InfoPlacement::after: {
        const NameParts parts = NameParts::split(name);
        UnicodeText::assign(out, {parts.baseName, separator, piece,
                                  parts.extension.isEmpty() ? QStringView() : QStringView(u"."),
                                  parts.extension});
        return;
    }
    case InfoPlacement::instead: {
        const NameParts parts = NameParts::split(name);
        UnicodeText::assign(out,
                            {piece, parts.extension.isEmpty() ? QStringView() : QStringView(u"."),
                             parts.extension});
        return;
    }
    }
}
