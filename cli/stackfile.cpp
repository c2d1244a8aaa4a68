#include "stackfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

qsizetype lineAt(const QByteArray &text, qsizetype offset)
{
    return text.left(offset).count('\n') + 1;
}

// Where each element of the top-level array starts, so that a bad record can be pointed at
// by its line. The text is known to be valid JSON.
QList<qsizetype> elementOffsets(const QByteArray &text)
{
    QList<qsizetype> offsets;
    int depth = 0;
    bool inString = false;
    bool expectElement = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            continue;
        if (expectElement && depth == 1 && c != ']') {
            offsets.append(i);
            expectElement = false;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
            expectElement = depth == 1;
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == ',' && depth == 1) {
            expectElement = true;
        }
    }
    return offsets;
}

// A value no step can work with: a count of characters below nothing, or a number wider than
// any file name can hold. Only the steps of the field's own mode are asked, so a stray value
// left in another mode's field, as the window may have saved it, still loads.
QString outOfRange(const RenameOperationWrapper &operation)
{
    if (operation.mode == RenameMode::trim && operation.trimCount < 0)
        return QStringLiteral("trimCount must be 0 or more");
    if (operation.mode == RenameMode::sequence &&
        (operation.sequencePadding < 0 || operation.sequencePadding > 255))
        return QStringLiteral("sequencePadding must be from 0 to 255");
    return {};
}

} // namespace

std::optional<QList<RenameOperationWrapper>> StackFile::parse(const QByteArray &text,
                                                              QString *error)
{
    if (text.trimmed().isEmpty()) {
        *error = QStringLiteral("the file is empty; a stack is a JSON array of steps");
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("line %1: %2")
                     .arg(lineAt(text, parseError.offset))
                     .arg(parseError.errorString());
        return std::nullopt;
    }
    if (!document.isArray()) {
        *error = QStringLiteral("line 1: expected a JSON array of steps");
        return std::nullopt;
    }
    const QJsonArray records = document.array();
    const QList<qsizetype> offsets = elementOffsets(text);
    const QStringList knownFields = RenameOperationWrapper{}.toJson().keys();
    QList<RenameOperationWrapper> operations;
    operations.reserve(records.size());
    for (qsizetype r = 0; r < records.size(); ++r) {
        const qsizetype line = r < offsets.size() ? lineAt(text, offsets[r]) : 1;
        const auto where = [&] { return QStringLiteral("line %1, step %2").arg(line).arg(r + 1); };
        if (!records[r].isObject()) {
            *error = where() % QStringLiteral(": a step must be a JSON object");
            return std::nullopt;
        }
        const QJsonObject given = records[r].toObject();
        const QJsonObject defaults = RenameOperationWrapper{}.toJson();
        QJsonObject merged = defaults;
        for (auto it = given.constBegin(); it != given.constEnd(); ++it) {
            if (!knownFields.contains(it.key())) {
                *error = where() % QStringLiteral(": unknown field \"") % it.key() %
                         QStringLiteral("\"");
                return std::nullopt;
            }
            merged.insert(it.key(), it.value());
        }
        std::optional<RenameOperationWrapper> operation = RenameOperationWrapper::fromJson(merged);
        if (!operation) {
            // The record as a whole is refused; each field over the defaults tells which.
            QString field;
            for (auto it = given.constBegin(); it != given.constEnd() && field.isEmpty(); ++it) {
                QJsonObject single = defaults;
                single.insert(it.key(), it.value());
                if (!RenameOperationWrapper::fromJson(single))
                    field = it.key();
            }
            if (field.isEmpty()) {
                *error = where() % QStringLiteral(": the step cannot be read");
            } else {
                const QByteArray value = QJsonDocument(QJsonArray{given.value(field)})
                                             .toJson(QJsonDocument::Compact)
                                             .chopped(1)
                                             .mid(1);
                *error = where() % QStringLiteral(": field \"") % field %
                         QStringLiteral("\" has a value that is not allowed: ") %
                         QString::fromUtf8(value);
            }
            return std::nullopt;
        }
        if (const QString problem = outOfRange(*operation); !problem.isEmpty()) {
            *error = where() % QStringLiteral(": ") % problem;
            return std::nullopt;
        }
        operations.append(*operation);
    }
    return operations;
}

QByteArray StackFile::serialize(const QList<RenameOperationWrapper> &operations)
{
    QJsonArray array;
    for (const RenameOperationWrapper &operation : operations)
        array.append(operation.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
