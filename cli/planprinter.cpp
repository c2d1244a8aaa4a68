#include "planprinter.h"

#include "clioutput.h"
#include "disk/localpath.h"
#include "names/changedspan.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <algorithm>

namespace {

// Wider names are not padded: one long name must not push every row off the screen.
constexpr qsizetype widestAligned = 48;
// Rows are handed on in parts of about this many bytes.
constexpr qsizetype outputPart = 64 * 1024;

QString statusName(RenameStatus status)
{
    switch (status) {
    case RenameStatus::pending:
        return QStringLiteral("pending");
    case RenameStatus::conflict:
        return QStringLiteral("conflict");
    case RenameStatus::error:
        return QStringLiteral("error");
    case RenameStatus::success:
        return QStringLiteral("success");
    }
    return {};
}

const char *statusColour(RenameStatus status)
{
    switch (status) {
    case RenameStatus::conflict:
        return "33";
    case RenameStatus::error:
        return "31";
    case RenameStatus::success:
        return "32";
    case RenameStatus::pending:
        break;
    }
    return nullptr;
}

bool isProblem(const FileItem &item)
{
    return item.status == RenameStatus::conflict || item.status == RenameStatus::error;
}

// The status as its column shows it, padded to the column's width.
QByteArray statusColumn(RenameStatus status)
{
    static const QByteArray columns[] = {"pending ", "conflict", "error   ", "success "};
    switch (status) {
    case RenameStatus::pending:
        return columns[0];
    case RenameStatus::conflict:
        return columns[1];
    case RenameStatus::error:
        return columns[2];
    case RenameStatus::success:
        return columns[3];
    }
    return statusName(status).leftJustified(8).toUtf8();
}

// Printable ASCII with nothing to spell out: the name is printed as it is, one byte a
// character.
bool isPlain(const QString &name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u > 0x7e || u == '\\')
            return false;
    }
    return true;
}

void appendPlain(QByteArray &out, const QString &name)
{
    const qsizetype at = out.size();
    out.resize(at + name.size());
    char *bytes = out.data() + at;
    for (const QChar c : name)
        *bytes++ = char(c.unicode());
}

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // decode() is lazy: the conversion runs when its result becomes a string.
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

} // namespace

PlanPrinter::Summary PlanPrinter::Summary::of(const QList<FileItem> &files)
{
    Summary summary;
    summary.files = files.size();
    for (const FileItem &item : files) {
        if (item.status == RenameStatus::conflict)
            ++summary.conflicts;
        else if (item.status == RenameStatus::error)
            ++summary.errors;
        else if (item.newName == item.originalName)
            ++summary.unchanged;
        else
            ++summary.toRename;
    }
    return summary;
}

QString PlanPrinter::printable(const QString &name)
{
    QString result;
    result.reserve(name.size());
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (LocalPath::isEscapedByte(u))
            result += QChar::ReplacementCharacter; // a byte that is not UTF-8
        else if (u == '\n')
            result += QLatin1String("\\n");
        else if (u == '\t')
            result += QLatin1String("\\t");
        else if (u == '\\')
            result += QLatin1String("\\\\");
        else if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            result += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            result += c;
    }
    return result;
}

PlanPrinter::Before PlanPrinter::Before::of(const QList<FileItem> &files)
{
    Before before;
    before.paths.reserve(files.size());
    before.names.reserve(files.size());
    for (const FileItem &item : files) {
        before.paths.append(item.path);
        before.names.append(item.originalName);
    }
    return before;
}

QByteArray PlanPrinter::rows(const QList<FileItem> &files, Rows which, const Before *before) const
{
    QByteArray out;
    writeRows(
        files, which, [&out](const QByteArray &part) { out += part; }, before);
    return out;
}

void PlanPrinter::writeRows(const QList<FileItem> &files, Rows which, const Sink &write,
                            const Before *before) const
{
    if (m_format == Format::table)
        tableRows(files, which, write);
    else
        jsonRows(files, which, write, before);
}

QByteArray PlanPrinter::painted(const QByteArray &text, const char *code) const
{
    if (m_colour == Colour::off || !code)
        return text;
    return "\033[" + QByteArray(code) + 'm' + text + "\033[0m";
}

QByteArray PlanPrinter::highlighted(const QString &name, const QString &newName) const
{
    const ChangedSpan span = ChangedSpan::between(name, newName);
    if (m_colour == Colour::off || span.start == span.end)
        return newName.toUtf8();
    const QStringView text(newName);
    return text.left(span.start).toUtf8() +
           painted(text.sliced(span.start, span.end - span.start).toUtf8(), changedColour) +
           text.sliced(span.end).toUtf8();
}

void PlanPrinter::tableRows(const QList<FileItem> &files, Rows which, const Sink &write) const
{
    // A plan can have a million rows: most names are printed as they are, straight into
    // the output, and only a name with something to spell out is copied on the way.
    qsizetype shown = 0;
    qsizetype nameWidth = 0;
    for (const FileItem &item : files) {
        if (which == Rows::all || isProblem(item)) {
            ++shown;
            const qsizetype width = isPlain(item.originalName)
                                        ? item.originalName.size()
                                        : printable(item.originalName).size();
            nameWidth = std::max(nameWidth, std::min(width, widestAligned));
        }
    }
    QByteArray out;
    out.reserve(std::min(shown * (nameWidth * 2 + 24), outputPart) + 1024);
    for (const FileItem &item : files) {
        if (which != Rows::all && !isProblem(item))
            continue;
        if (out.size() >= outputPart) {
            write(out);
            out.resize(0);
        }
        out += painted(statusColumn(item.status), statusColour(item.status));
        out += "  ";
        if (isPlain(item.originalName) && isPlain(item.newName)) {
            appendPlain(out, item.originalName);
            out.append(std::max<qsizetype>(nameWidth - item.originalName.size(), 0), ' ');
            out += painted(" → ", "2");
            if (m_colour == Colour::off)
                appendPlain(out, item.newName);
            else
                out += highlighted(item.originalName, item.newName);
        } else {
            const QString name = printable(item.originalName);
            out += name.leftJustified(nameWidth).toUtf8();
            out += painted(" → ", "2");
            out += highlighted(name, printable(item.newName));
        }
        if (item.errorMessage && !item.errorMessage->isEmpty()) {
            out += "  ";
            out += painted(printable(*item.errorMessage).toUtf8(), statusColour(item.status));
        }
        out += '\n';
    }
    if (!out.isEmpty())
        write(out);
}

void PlanPrinter::jsonRows(const QList<FileItem> &files, Rows which, const Sink &write,
                           const Before *before) const
{
    const auto insertPath = [](QJsonObject &object, const QString &key, const QByteArray &path) {
        object.insert(key, LocalPath::display(path));
        if (!isValidUtf8(path))
            object.insert(key % QStringLiteral("Base64"), QString::fromLatin1(path.toBase64()));
    };
    QByteArray out;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const FileItem &item = files[i];
        if (which == Rows::problemsOnly && !isProblem(item))
            continue;
        if (out.size() >= outputPart) {
            write(out);
            out.resize(0);
        }
        QJsonObject object;
        // A script maps each file's path and name before a batch to where it is now.
        insertPath(object, QStringLiteral("path"), before ? before->paths[i] : item.path);
        if (before)
            insertPath(object, QStringLiteral("newPath"), item.path);
        // Bytes that are not UTF-8 read as U+FFFD, as in the path; the exact bytes of a new
        // name that has them go beside it, as the path's do.
        object.insert(QStringLiteral("name"),
                      LocalPath::readable(before ? before->names[i] : item.originalName));
        object.insert(QStringLiteral("newName"), LocalPath::readable(item.newName));
        if (LocalPath::hasEscapedBytes(item.newName)) {
            if (const std::optional<QByteArray> bytes = LocalPath::encodeName(item.newName))
                object.insert(QStringLiteral("newNameBase64"),
                              QString::fromLatin1(bytes->toBase64()));
        }
        object.insert(QStringLiteral("status"), statusName(item.status));
        object.insert(QStringLiteral("message"),
                      item.errorMessage ? QJsonValue(*item.errorMessage) : QJsonValue());
        out += QJsonDocument(object).toJson(QJsonDocument::Compact);
        out += '\n';
    }
    if (!out.isEmpty())
        write(out);
}

QByteArray PlanPrinter::summary(const Summary &s) const
{
    if (m_format == Format::jsonLines) {
        QJsonObject object{
            {QStringLiteral("files"), s.files},         {QStringLiteral("toRename"), s.toRename},
            {QStringLiteral("unchanged"), s.unchanged}, {QStringLiteral("conflicts"), s.conflicts},
            {QStringLiteral("errors"), s.errors},       {QStringLiteral("applied"), s.applied}};
        if (s.refused)
            object.insert(QStringLiteral("refused"), true);
        if (s.applied) {
            object.insert(QStringLiteral("renamed"), s.renamed);
            object.insert(QStringLiteral("failed"), s.failed);
            object.insert(QStringLiteral("undoFile"),
                          s.undoFile.isEmpty() ? QJsonValue() : QJsonValue(s.undoFile));
        }
        return QJsonDocument(QJsonObject{{QStringLiteral("summary"), object}})
                   .toJson(QJsonDocument::Compact) +
               '\n';
    }
    using CliOutput::counted;
    QString line = counted(s.files, "file") %
                   QStringLiteral(": %1 to rename, %2 unchanged, %3, %4.")
                       .arg(s.toRename)
                       .arg(s.unchanged)
                       .arg(counted(s.conflicts, "conflict"), counted(s.errors, "error"));
    if (s.refused)
        line += QStringLiteral(" Apply refused: nothing was renamed.");
    else if (!s.applied)
        line += QStringLiteral(" Dry run: nothing was renamed.");
    else
        line += QStringLiteral(" Renamed %1, failed %2.").arg(s.renamed).arg(s.failed);
    return line.toUtf8() + '\n';
}
