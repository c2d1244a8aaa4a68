#include "undofile.h"

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
    QByteArray base = qgetenv("XDG_STATE_HOME");
    // The variable counts only when it holds an absolute path, as for the batch journals.
    if (!base.startsWith('/'))
        base = QFile::encodeName(QDir::homePath()) + "/.local/state";
    return base + "/brisklet/undo";
}

// Written by hand, one entry a line: a batch of many thousand files must not wait for a
// document model to be built.
QByteArray UndoFile::serialize(const UndoOperation &operation)
{
    QByteArray out;
    out.reserve(operation.entries.size() * 160 + 160);
    out += "{\n\"format\": ";
    appendString(out, formatName.toUtf8());
    appendNumber(out, ",\n\"version\": ", formatVersion);
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

std::optional<UndoOperation> UndoFile::parse(const QByteArray &bytes, QString *error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    const QJsonObject root = document.object();
    if (parseError.error != QJsonParseError::NoError ||
        root.value(QStringLiteral("format")).toString() != formatName) {
        *error = QStringLiteral("not a Brisklet undo file");
        return std::nullopt;
    }
    if (root.value(QStringLiteral("version")).toInt() != formatVersion) {
        *error = QStringLiteral("an undo file of another version of Brisklet");
        return std::nullopt;
    }
    UndoOperation operation;
    operation.timestamp = QDateTime::fromString(root.value(QStringLiteral("timestamp")).toString(),
                                                Qt::ISODateWithMs);
    const QJsonArray entries = root.value(QStringLiteral("entries")).toArray();
    operation.entries.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject object = entries[i].toObject();
        const std::optional<QByteArray> path = takeBytes(object, QStringLiteral("path"));
        const std::optional<QByteArray> name = takeBytes(object, QStringLiteral("originalName"));
        // A name with a slash would move the item to another folder.
        if (!path || !path->startsWith('/') || !name || name->isEmpty() || name->contains('/') ||
            name->contains('\0') || *name == "." || *name == "..") {
            *error = QStringLiteral("entry %1 is damaged").arg(i + 1);
            return std::nullopt;
        }
        // Without its identity an entry could move whatever now has the name: refused.
        const std::optional<quint64> device = takeNumber(object, QStringLiteral("device"));
        const std::optional<quint64> inode = takeNumber(object, QStringLiteral("inode"));
        const std::optional<quint64> type = takeNumber(object, QStringLiteral("type"));
        if (!device || !inode || !type) {
            *error = QStringLiteral("entry %1 is damaged").arg(i + 1);
            return std::nullopt;
        }
        const UndoOperation::Entry entry{*path, *name,
                                         ItemIdentity{*device, *inode, quint32(*type)}};
        operation.entries.append(entry);
    }
    if (operation.entries.isEmpty()) {
        *error = QStringLiteral("the undo file holds no renames");
        return std::nullopt;
    }
    return operation;
}
