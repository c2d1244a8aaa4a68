#include "workflows/workflowstore.h"

#include "enginelogging.h"
#include "names/unicodetext.h"
#include "workflows/preferencesstore.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

// Qt's JSON reader drops U+FEFF written as itself at the start of a string, and keeps it
// written as the escape "\ufeff". Every U+FEFF inside a string is therefore turned into the
// escape, both when writing and before reading, so that stored names and texts come back
// exactly, those written before included. Outside strings the bytes are left alone: a
// byte-order mark in front of a hand-edited document still reads as one.
QByteArray escapeByteOrderMarks(const QByteArray &json)
{
    static constexpr char mark[] = "\xEF\xBB\xBF";
    if (!json.contains(mark))
        return json;
    QByteArray result;
    result.reserve(json.size() + 16);
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString && c == '\\' && i + 1 < json.size()) {
            result.append(c).append(json.at(++i));
            continue;
        }
        if (c == '"')
            inString = !inString;
        if (inString && QByteArrayView(json).sliced(i).startsWith(mark)) {
            result.append("\\ufeff");
            i += 2;
            continue;
        }
        result.append(c);
    }
    return result;
}

} // namespace

const QString WorkflowStore::storeKey = QStringLiteral("SavedWorkflows");

WorkflowStore::WorkflowStore(std::unique_ptr<PreferencesStore> preferences)
    : m_preferences(std::move(preferences))
{
}

WorkflowStore::~WorkflowStore() = default;

QString WorkflowStore::canonicalName(const QString &name)
{
    return UnicodeText::canonicalKey(name);
}

QByteArray WorkflowStore::encode(const Workflows &workflows)
{
    QJsonObject object;
    for (auto it = workflows.cbegin(); it != workflows.cend(); ++it) {
        QJsonArray records;
        for (const RenameOperationWrapper &operation : it.value())
            records.append(operation.toJson());
        object.insert(it.key(), records);
    }
    return escapeByteOrderMarks(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

std::optional<WorkflowStore::Workflows> WorkflowStore::decode(const QByteArray &bytes, bool *merged)
{
    *merged = false;
    // No JSON text holds a NUL byte (in a string it must be written "\u0000"), but Qt's
    // reader takes one in a string as it is. A value with one was damaged on the way, so
    // it is read as damaged: kept whole, not half read and written back without it.
    if (bytes.contains('\0'))
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(escapeByteOrderMarks(bytes), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    Workflows workflows;
    const QJsonObject object = document.object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isArray())
            return std::nullopt;
        QList<RenameOperationWrapper> operations;
        const QJsonArray records = it.value().toArray();
        for (const QJsonValue &record : records) {
            if (!record.isObject())
                return std::nullopt;
            std::optional<RenameOperationWrapper> operation =
                RenameOperationWrapper::fromJson(record.toObject());
            if (!operation)
                return std::nullopt;
            operations.append(*operation);
        }
        const QString name = canonicalName(it.key());
        if (workflows.contains(name))
            *merged = true;
        workflows.insert(name, operations);
    }
    return workflows;
}

const QList<RenameOperationWrapper> *WorkflowStore::find(const QString &name) const
{
    const auto found = m_workflows.constFind(canonicalName(name));
    return found == m_workflows.cend() ? nullptr : &*found;
}

bool WorkflowStore::contains(const QString &name) const
{
    return m_workflows.contains(canonicalName(name));
}

QStringList WorkflowStore::names() const
{
    QStringList names = m_workflows.keys();
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    return names;
}

void WorkflowStore::insert(const QString &name, const QList<RenameOperationWrapper> &operations)
{
    m_workflows.insert(canonicalName(name), operations);
}

bool WorkflowStore::remove(const QString &name)
{
    return m_workflows.remove(canonicalName(name)) > 0;
}

bool WorkflowStore::rename(const QString &oldName, const QString &newName)
{
    const QString oldKey = canonicalName(oldName);
    const QString newKey = canonicalName(newName);
    if (newKey.isEmpty() || newKey == oldKey)
        return false;
    const auto found = m_workflows.constFind(oldKey);
    if (found == m_workflows.cend())
        return false;
    const QList<RenameOperationWrapper> operations = *found;
    m_workflows.remove(oldKey);
    m_workflows.insert(newKey, operations);
    return true;
}

bool WorkflowStore::load()
{
    if (!m_preferences)
        return false;
    const std::optional<QVariant> stored = m_preferences->readValue(storeKey);
    if (!stored)
        return false;
    // Anything but bytes (text from a hand edit or a damaged file) cannot be read either.
    if (stored->typeId() != QMetaType::QByteArray) {
        m_unreadableValue = *stored;
        return false;
    }
    bool merged = false;
    std::optional<Workflows> workflows = decode(stored->toByteArray(), &merged);
    // What cannot be read in full is kept in memory until something is about to replace
    // it in the store, and then kept aside there.
    if (!workflows || merged)
        m_unreadableValue = *stored;
    if (!workflows)
        return false;
    m_workflows = std::move(*workflows);
    return true;
}

std::optional<QString> WorkflowStore::persist()
{
    if (!m_preferences)
        return std::nullopt;
    // What cannot be read is never replaced before a copy of it is on disk.
    if (m_unreadableValue) {
        if (std::optional<QString> failure = keepUnreadableValueAside())
            return failure;
        m_unreadableValue.reset();
        m_unreadableValueKey.clear();
    }
    return m_preferences->storeBytes(storeKey, encode(m_workflows));
}

std::optional<QString> WorkflowStore::keepUnreadableValueAside()
{
    // One damaged record must not cost the user every workflow: the value the next write
    // replaces is first copied, unchanged, under a key of its own. A key chosen by an attempt
    // that failed is used again, so that retries leave one copy.
    if (m_unreadableValueKey.isEmpty()) {
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString key = storeKey + QStringLiteral(".unreadable-") + stamp;
        for (int suffix = 2; m_preferences->readValue(key).has_value(); ++suffix)
            key =
                storeKey + QStringLiteral(".unreadable-") + stamp + u'-' + QString::number(suffix);
        m_unreadableValueKey = key;
    }
    if (std::optional<QString> failure =
            m_preferences->storeValue(m_unreadableValueKey, *m_unreadableValue))
        return failure;
    qCWarning(lcEngine).noquote() << "the saved workflows could not be read in full; the stored "
                                     "value was kept unchanged under the settings key"
                                  << QString(u'"' + m_unreadableValueKey + u'"');
    return std::nullopt;
}
