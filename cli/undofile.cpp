#include "undofile.h"

#include "disk/privatefolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <string_view>

namespace {

const QString formatName = QStringLiteral("brisklet-undo");
constexpr int formatVersion = 1;

// Printable ASCII with nothing to escape in a JSON string: most paths and names, which
// then go in as they are.
bool needsNoEscape(QByteArrayView text)
{
    static constexpr std::array<unsigned char, 256> plain = [] {
        std::array<unsigned char, 256> result{};
        for (size_t u = 0x20; u < 0x80; ++u)
            result[u] = u != '"' && u != '\\' ? 1 : 0;
        return result;
    }();
    unsigned char all = 1;
    for (const char c : text)
        all &= plain[static_cast<unsigned char>(c)];
    return all != 0;
}

// A JSON string of text known to be valid UTF-8.
void appendString(QByteArray &out, QByteArrayView text)
{
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += "\\u00";
            out += "0123456789abcdef"[(c >> 4) & 0xf];
            out += "0123456789abcdef"[c & 0xf];
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendBytes(QByteArray &out, std::string_view key, const QByteArray &bytes)
{
    out += '"';
    out.append(key.data(), qsizetype(key.size()));
    if (needsNoEscape(bytes)) {
        out += "\": \"";
        out += bytes;
        out += '"';
    } else if (QByteArrayView(bytes).isValidUtf8() && !bytes.contains('\0')) {
        out += "\": ";
        appendString(out, bytes);
    } else {
        out += "Base64\": ";
        appendString(out, bytes.toBase64());
    }
}

// `prefix` and then the digits of `value`.
void appendNumber(QByteArray &out, std::string_view prefix, quint64 value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), value);
    out.append(prefix.data(), qsizetype(prefix.size()));
    out.append(digits, end.ptr - digits);
}

char *writeText(char *out, std::string_view text)
{
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

char *writeNumber(char *out, quint64 value)
{
    return std::to_chars(out, out + 20, value).ptr;
}

// An entry whose path and name go in as they are, with its identity, written in one piece
// as the general case writes it: most entries of a batch. False, with nothing written, for
// any other entry.
bool appendPlainEntry(QByteArray &out, const UndoOperation::Entry &entry, bool first)
{
    if (!entry.identity || !needsNoEscape(entry.path) || !needsNoEscape(entry.originalName))
        return false;
    const qsizetype at = out.size();
    out.resize(at + entry.path.size() + entry.originalName.size() + 192);
    char *const start = out.data() + at;
    char *end = writeText(start, first ? "\n  {\"path\": \"" : ",\n  {\"path\": \"");
    end = writeText(end, std::string_view(entry.path.constData(), size_t(entry.path.size())));
    end = writeText(end, "\", \"originalName\": \"");
    end = writeText(
        end, std::string_view(entry.originalName.constData(), size_t(entry.originalName.size())));
    end = writeText(end, "\", \"device\": \"");
    end = writeNumber(end, entry.identity->device);
    end = writeText(end, "\", \"inode\": \"");
    end = writeNumber(end, entry.identity->inode);
    end = writeText(end, "\", \"type\": \"");
    end = writeNumber(end, entry.identity->type);
    end = writeText(end, "\"}");
    out.resize(at + (end - start));
    return true;
}

std::optional<QByteArray> takeBytes(const QJsonObject &object, const QString &key)
{
    if (const QJsonValue text = object.value(key); text.isString())
        return text.toString().toUtf8();
    if (const QJsonValue base64 = object.value(key % QStringLiteral("Base64")); base64.isString()) {
        const auto decoded = QByteArray::fromBase64Encoding(
            base64.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return *decoded;
    }
    return std::nullopt;
}

std::optional<quint64> takeNumber(const QJsonObject &object, const QString &key)
{
    bool ok = false;
    const quint64 value = object.value(key).toString().toULongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QByteArray UndoFile::defaultFolder()
{
    return PrivateFolder::stateFolder() + "/undo";
}

namespace {

const QByteArray plannedFlagLine = QByteArrayLiteral(",\n\"finished\": false");

} // namespace

qsizetype UndoFile::flagOffset(const QByteArray &planned)
{
    const qsizetype line = planned.indexOf(plannedFlagLine);
    return line < 0 ? -1 : line + plannedFlagLine.size() - 5;
}

QByteArray UndoFile::finishedFlag()
{
    return QByteArrayLiteral("true "); // as long as "false", so that it can be written over it
}

// Written by hand, one entry a line: a batch of many thousand files must not wait for a
// document model to be built.
QByteArray UndoFile::serialize(const UndoOperation &operation, Stage stage)
{
    QByteArray out;
    out.reserve(operation.entries.size() * 160 + 160);
    out += "{\n\"format\": ";
    appendString(out, formatName.toUtf8());
    appendNumber(out, ",\n\"version\": ", formatVersion);
    out += stage == Stage::planned ? plannedFlagLine : QByteArrayLiteral(",\n\"finished\": true");
    out += ",\n\"timestamp\": ";
    appendString(out, operation.timestamp.toString(Qt::ISODateWithMs).toUtf8());
    out += ",\n\"entries\": [";
    bool first = true;
    for (const UndoOperation::Entry &entry : operation.entries) {
        if (appendPlainEntry(out, entry, first)) {
            first = false;
            continue;
        }
        out += first ? "\n  {" : ",\n  {";
        first = false;
        appendBytes(out, "path", entry.path);
        out += ", ";
        appendBytes(out, "originalName", entry.originalName);
        if (entry.identity) {
            appendNumber(out, ", \"device\": \"", entry.identity->device);
            appendNumber(out, "\", \"inode\": \"", entry.identity->inode);
            appendNumber(out, "\", \"type\": \"", entry.identity->type);
            out += '"';
        }
        out += '}';
    }
    out += "\n]\n}\n";
    return out;
}

namespace {

// An entry, or none with a reason in `error`.
std::optional<UndoOperation::Entry> entryFrom(const QJsonObject &object, qsizetype index,
                                              QString *error)
{
    const std::optional<QByteArray> path = takeBytes(object, QStringLiteral("path"));
    const std::optional<QByteArray> name = takeBytes(object, QStringLiteral("originalName"));
    // Without its identity an entry could move whatever now has the name: refused.
    const std::optional<quint64> device = takeNumber(object, QStringLiteral("device"));
    const std::optional<quint64> inode = takeNumber(object, QStringLiteral("inode"));
    const std::optional<quint64> type = takeNumber(object, QStringLiteral("type"));
    // A name with a slash would move the item to another folder.
    if (!path || !path->startsWith('/') || !name || name->isEmpty() || name->contains('/') ||
        name->contains('\0') || *name == "." || *name == ".." || !device || !inode || !type) {
        *error = QStringLiteral("entry %1 is damaged").arg(index + 1);
        return std::nullopt;
    }
    return UndoOperation::Entry{*path, *name, ItemIdentity{*device, *inode, quint32(*type)}};
}

// A file cut short: its header lines, then one entry a line, as serialize() writes them,
// read up to the last whole entry.
std::optional<QJsonObject> readCutShort(const QByteArray &bytes, QList<QJsonObject> &entries)
{
    const qsizetype list = bytes.indexOf(",\n\"entries\": [");
    if (list < 0)
        return std::nullopt;
    const QJsonDocument header = QJsonDocument::fromJson(bytes.first(list) + "\n}");
    if (!header.isObject())
        return std::nullopt;
    qsizetype start = bytes.indexOf('\n', list + 2) + 1;
    while (start > 0 && start < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            break; // the last line is not whole
        QByteArray line = bytes.sliced(start, end - start).trimmed();
        if (line.endsWith(','))
            line.chop(1);
        const QJsonDocument entry = QJsonDocument::fromJson(line);
        if (!entry.isObject())
            break;
        entries.append(entry.object());
        start = end + 1;
    }
    return header.object();
}

} // namespace

std::optional<UndoFile::Contents> UndoFile::parse(const QByteArray &bytes, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    QJsonObject root = document.object();
    Contents contents;
    QList<QJsonObject> entries;
    if (parseError.error == QJsonParseError::NoError) {
        const QJsonArray list = root.value(QStringLiteral("entries")).toArray();
        entries.reserve(list.size());
        for (const QJsonValue &entry : list)
            entries.append(entry.toObject());
    } else if (const std::optional<QJsonObject> header = readCutShort(bytes, entries)) {
        root = *header;
        contents.cutShort = true;
    }
    if (root.value(QStringLiteral("format")).toString() != formatName) {
        *error = QStringLiteral("not a Brisklet undo file");
        return std::nullopt;
    }
    if (root.value(QStringLiteral("version")).toInt() != formatVersion) {
        *error = QStringLiteral("an undo file of another version of Brisklet");
        return std::nullopt;
    }
    // A file without the flag was written by an earlier version, once its batch was over.
    if (root.value(QStringLiteral("finished")) == QJsonValue(false))
        contents.stage = Stage::planned;
    UndoOperation &operation = contents.operation;
    operation.timestamp = QDateTime::fromString(root.value(QStringLiteral("timestamp")).toString(),
                                                Qt::ISODateWithMs);
    operation.entries.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        std::optional<UndoOperation::Entry> entry = entryFrom(entries[i], i, error);
        if (!entry)
            return std::nullopt;
        operation.entries.append(std::move(*entry));
    }
    if (operation.entries.isEmpty()) {
        *error = contents.cutShort
                     ? QStringLiteral("the undo file was cut short before its first rename")
                     : QStringLiteral("the undo file holds no renames");
        return std::nullopt;
    }
    return contents;
}
