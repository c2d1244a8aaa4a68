#include "undofile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>
#include <string_view>

namespace {

const QString formatName = QStringLiteral("brisklet-undo");
constexpr int formatVersion = 1;

// Printable ASCII with nothing to escape in a JSON string: most paths and names, which
// then go in as they are.
bool needsNoEscape(QByteArrayView text)
{
    return std::all_of(text.cbegin(), text.cend(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x80 && c != '"' && c != '\\';
    });
}

// A JSON string of text known to be valid UTF-8.
void appendString(std::string &out, QByteArrayView text)
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

void appendBytes(std::string &out, std::string_view key, const QByteArray &bytes)
{
    out += '"';
    out += key;
    if (needsNoEscape(bytes)) {
        out += "\": \"";
        out.append(bytes.constData(), size_t(bytes.size()));
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
void appendNumber(std::string &out, std::string_view prefix, quint64 value)
{
    char digits[24];
    const std::to_chars_result end = std::to_chars(std::begin(digits), std::end(digits), value);
    out += prefix;
    out.append(digits, size_t(end.ptr - digits));
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
    std::string out;
    out.reserve(size_t(operation.entries.size()) * 160 + 160);
    out += "{\n\"format\": ";
    appendString(out, formatName.toUtf8());
    appendNumber(out, ",\n\"version\": ", formatVersion);
    out += ",\n\"timestamp\": ";
    appendString(out, operation.timestamp.toString(Qt::ISODateWithMs).toUtf8());
    out += ",\n\"entries\": [";
    bool first = true;
    for (const UndoOperation::Entry &entry : operation.entries) {
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
    return QByteArray(out.data(), qsizetype(out.size()));
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
