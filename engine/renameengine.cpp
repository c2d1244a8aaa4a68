#include "renameengine.h"

#include "batchmover.h"
#include "filemover.h"
#include "namegroups.h"
#include "nametransformer.h"
#include "posixfilemover.h"
#include "preferencesstore.h"
#include "settingspreferencesstore.h"
#include "systemworkflow.h"
#include "unicodetext.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString savedWorkflowsKey = QStringLiteral("SavedWorkflows");

// The last path component, also for a folder URL that ends in "/".
QString lastPathComponent(const QUrl &url)
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QString localPath(const QUrl &url)
{
    QString path = url.toLocalFile();
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString withLastComponent(const QString &path, const QString &name)
{
    return path.left(path.lastIndexOf(u'/') + 1) + name;
}

bool containsForbiddenCharacter(const QString &name)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if (u == u':' || u == u'/' || u == u'\\')
            return true;
    }
    return false;
}

// Workflow names are compared under canonical equivalence, letter case distinguished.
QString workflowKey(const QString &name)
{
    return UnicodeText::canonicalKey(name);
}

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

QByteArray encodeWorkflows(const QMap<QString, QList<RenameOperationWrapper>> &workflows)
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

// Reads the stored map strictly. `merged` tells whether two stored names were the same
// name under canonical equivalence, so that one of their lists had to be dropped.
std::optional<QMap<QString, QList<RenameOperationWrapper>>> decodeWorkflows(const QByteArray &bytes,
                                                                            bool *merged)
{
    *merged = false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(escapeByteOrderMarks(bytes), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    QMap<QString, QList<RenameOperationWrapper>> workflows;
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
        const QString key = workflowKey(it.key());
        if (workflows.contains(key))
            *merged = true;
        workflows.insert(key, operations);
    }
    return workflows;
}

} // namespace

RenameEngine::RenameEngine(QObject *parent)
    : RenameEngine(std::make_unique<SettingsPreferencesStore>(), std::make_unique<PosixFileMover>(),
                   parent)
{
}

RenameEngine::RenameEngine(std::unique_ptr<PreferencesStore> preferences,
                           std::unique_ptr<FileMover> mover, QObject *parent)
    : QObject(parent), m_preferences(std::move(preferences)), m_mover(std::move(mover))
{
    addOperation();
    loadSavedWorkflows();
}

RenameEngine::~RenameEngine() = default;

// ---------------------------------------------------------------------------------------
// The file list and selection

void RenameEngine::addFiles(const QList<QUrl> &urls)
{
    if (!urls.isEmpty()) {
        m_files.reserve(m_files.size() + urls.size());
        for (const QUrl &url : urls) {
            FileItem item;
            item.id = QUuid::createUuid();
            item.url = url;
            item.originalName = lastPathComponent(url);
            item.newName = item.originalName;
            m_files.append(std::move(item));
        }
        Q_EMIT filesChanged();
    }
    updatePreview();
}

void RenameEngine::setFileChooser(FileChooser chooser)
{
    m_fileChooser = std::move(chooser);
}

void RenameEngine::browseFiles()
{
    if (!m_fileChooser)
        return;
    QPointer<RenameEngine> self(this);
    m_fileChooser([self](const QList<QUrl> &urls) {
        if (self)
            self->addFiles(urls);
    });
}

void RenameEngine::removeSelectedFiles()
{
    if (!m_selectedFiles.isEmpty()) {
        m_files.removeIf(
            [this](const FileItem &item) { return m_selectedFiles.contains(item.id); });
        if (m_files.isEmpty())
            m_timedOutSteps.clear(); // no name left for a pattern to run out of time on
        Q_EMIT filesChanged();
    }
    m_selectedFiles.clear();
    Q_EMIT selectedFilesChanged();
    updatePreview();
}

void RenameEngine::clearAll()
{
    // Everything is emptied before anyone hears of it, so views that read the history when
    // the files change already find it empty.
    m_files.clear();
    m_selectedFiles.clear();
    m_undoStack.clear();
    m_timedOutSteps.clear();
    Q_EMIT filesChanged();
    Q_EMIT selectedFilesChanged();
}

void RenameEngine::toggleSelection(const QUuid &fileId)
{
    if (!m_selectedFiles.remove(fileId))
        m_selectedFiles.insert(fileId);
    Q_EMIT selectedFilesChanged();
}

void RenameEngine::deselectAll()
{
    m_selectedFiles.clear();
    Q_EMIT selectedFilesChanged();
}

// ---------------------------------------------------------------------------------------
// The operation stack

void RenameEngine::addOperation()
{
    m_operations.append(RenameOperationWrapper());
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::removeOperation(qsizetype index)
{
    if (index < 0 || index >= m_operations.size())
        return;
    m_operations.removeAt(index);
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::setOperation(qsizetype index, const RenameOperationWrapper &operation)
{
    if (index < 0 || index >= m_operations.size() || m_operations.at(index) == operation)
        return;
    m_operations[index] = operation;
    // The time-out belongs to the step as it was; the next preview judges it afresh.
    m_timedOutSteps.remove(index);
    Q_EMIT operationsChanged();
}

QString RenameEngine::patternProblem(qsizetype index) const
{
    if (index < 0 || index >= m_operations.size())
        return {};
    const RenameOperationWrapper &operation = m_operations.at(index);
    if (operation.mode != RenameMode::regex)
        return {};
    const QString error = NameTransformer::patternError(operation.regexPattern);
    if (!error.isEmpty())
        return error;
    if (m_timedOutSteps.contains(index))
        return QStringLiteral("This pattern takes too long to match.");
    return {};
}

// ---------------------------------------------------------------------------------------
// Queries

bool RenameEngine::hasPendingFiles() const
{
    return std::any_of(m_files.cbegin(), m_files.cend(),
                       [](const FileItem &item) { return item.status == RenameStatus::pending; });
}

bool RenameEngine::hasChanges() const
{
    return std::any_of(m_files.cbegin(), m_files.cend(),
                       [](const FileItem &item) { return item.newName != item.originalName; });
}

qsizetype RenameEngine::conflictCount() const
{
    return std::count_if(m_files.cbegin(), m_files.cend(), [](const FileItem &item) {
        return item.status == RenameStatus::conflict;
    });
}

qsizetype RenameEngine::errorCount() const
{
    return std::count_if(m_files.cbegin(), m_files.cend(),
                         [](const FileItem &item) { return item.status == RenameStatus::error; });
}

// ---------------------------------------------------------------------------------------
// Preview

void RenameEngine::updatePreview()
{
    m_timedOutSteps.clear();
    if (m_files.isEmpty())
        return;
    const NameTransformer transformer(m_operations);
    // A step that runs out of time on one name leaves every name unchanged, so the names
    // that went through it before then go through the stack again.
    for (qsizetype timedOut = -1; timedOut != transformer.timedOutSteps();) {
        timedOut = transformer.timedOutSteps();
        for (qsizetype i = 0; i < m_files.size(); ++i)
            m_files[i].newName = transformer.apply(m_files[i].originalName, i);
    }
    if (transformer.timedOutSteps() > 0) {
        for (qsizetype step = 0; step < m_operations.size(); ++step) {
            if (transformer.hasTimedOut(step))
                m_timedOutSteps.insert(step);
        }
    }

    // Files with the same valid new name form a group.
    NameGroups groups(m_files.size());
    std::vector<qsizetype> groupOfFile(static_cast<size_t>(m_files.size()), -1);
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        FileItem &item = m_files[i];
        item.status = RenameStatus::pending;
        item.errorMessage.reset();
        if (containsForbiddenCharacter(item.newName)) {
            item.status = RenameStatus::error;
            item.errorMessage = QStringLiteral("Contains invalid characters (: / \\)");
        } else if (UnicodeText::isBlank(item.newName)) {
            item.status = RenameStatus::error;
            item.errorMessage = QStringLiteral("Filename cannot be empty");
        } else {
            groupOfFile[static_cast<size_t>(i)] =
                groups.add(UnicodeText::canonicalKey(item.newName));
        }
    }
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        FileItem &item = m_files[i];
        const qsizetype group = groupOfFile[static_cast<size_t>(i)];
        if (group >= 0 && groups.groupSize(group) > 1) {
            item.status = RenameStatus::conflict;
            item.errorMessage = QStringLiteral("Duplicate filename");
        }
    }
    Q_EMIT filesChanged();
}

// ---------------------------------------------------------------------------------------
// Renaming and undo

std::pair<qsizetype, qsizetype> RenameEngine::performRename(const ProgressCallback &progress)
{
    qsizetype renamed = 0;
    qsizetype failed = 0;
    const qsizetype count = m_files.size();

    QList<BatchMover::Move> moves;
    QList<qsizetype> movedFiles; // index into m_files of each move
    for (qsizetype i = 0; i < count; ++i) {
        FileItem &item = m_files[i];
        if (item.status != RenameStatus::pending) {
            ++failed;
            continue;
        }
        if (!item.url.isLocalFile()) {
            item.status = RenameStatus::error;
            item.errorMessage = QStringLiteral("Only files on this computer can be renamed.");
            ++failed;
            continue;
        }
        const QString source = localPath(item.url);
        moves.append({source, withLastComponent(source, item.newName)});
        movedFiles.append(i);
    }

    QHash<QUrl, QString> renames;
    if (!moves.isEmpty()) {
        const QList<BatchMover::Outcome> results = BatchMover(*m_mover).run(moves, progress);
        for (qsizetype m = 0; m < moves.size(); ++m) {
            FileItem &item = m_files[movedFiles[m]];
            const BatchMover::Outcome &result = results[m];
            if (!result.succeeded) {
                item.status = RenameStatus::error;
                item.errorMessage = result.errorDescription;
                followStrandedFile(item, moves[m].sourcePath, result.currentPath);
                ++failed;
                continue;
            }
            const QUrl destination = QUrl::fromLocalFile(moves[m].destinationPath);
            renames.insert(destination, item.originalName);
            item.url = destination;
            item.originalName = item.newName;
            item.status = RenameStatus::success;
            item.errorMessage.reset();
            ++renamed;
        }
    }

    if (!renames.isEmpty()) {
        m_undoStack.append(UndoOperation{QDateTime::currentDateTime(), renames});
        while (m_undoStack.size() > maxUndoOperations)
            m_undoStack.removeFirst();
    }
    Q_EMIT filesChanged();
    return {renamed, failed};
}

void RenameEngine::followStrandedFile(FileItem &item, const QString &sourcePath,
                                      const QString &currentPath)
{
    // A file that stepped aside for a swap or a cycle and could go neither forward nor
    // back stays under its temporary name. Its row must follow it there: its old place now
    // holds another file, which a later rename of this row would otherwise move.
    if (currentPath.isEmpty() || currentPath == sourcePath)
        return;
    item.url = QUrl::fromLocalFile(currentPath);
    item.originalName = lastPathComponent(item.url);
}

bool RenameEngine::canUndo() const
{
    return !m_undoStack.isEmpty();
}

bool RenameEngine::undoLastRename(const ProgressCallback &progress)
{
    if (m_undoStack.isEmpty())
        return false;
    const UndoOperation operation = m_undoStack.takeLast();
    return revertUndoOperation(operation, progress);
}

bool RenameEngine::undoRename(qsizetype index, const ProgressCallback &progress)
{
    if (index < 0 || index >= m_undoStack.size())
        return false;
    const UndoOperation operation = m_undoStack.takeAt(index);
    return revertUndoOperation(operation, progress);
}

bool RenameEngine::revertUndoOperation(const UndoOperation &operation,
                                       const ProgressCallback &progress)
{
    // Which listed file stands at each recorded place, looked up before anything moves:
    // within a swap, a file's new place is the old place of another.
    QHash<QUrl, qsizetype> firstFileAt;
    firstFileAt.reserve(m_files.size());
    for (qsizetype i = m_files.size() - 1; i >= 0; --i)
        firstFileAt.insert(m_files[i].url, i);

    QList<BatchMover::Move> moves;
    QList<qsizetype> rows; // the listed file at each recorded place, or -1
    QList<QString> oldNames;
    moves.reserve(operation.renames.size());
    for (auto it = operation.renames.cbegin(); it != operation.renames.cend(); ++it) {
        const QString source = localPath(it.key());
        moves.append({source, withLastComponent(source, it.value())});
        rows.append(firstFileAt.value(it.key(), -1));
        oldNames.append(it.value());
    }

    qsizetype reverted = 0;
    const QList<BatchMover::Outcome> results = BatchMover(*m_mover).run(moves, progress);
    for (qsizetype m = 0; m < moves.size(); ++m) {
        FileItem *item = rows[m] >= 0 ? &m_files[rows[m]] : nullptr;
        if (!results[m].succeeded) {
            std::fprintf(stdout, "Failed to undo rename: %s\n",
                         results[m].errorDescription.toLocal8Bit().constData());
            std::fflush(stdout);
            if (item)
                followStrandedFile(*item, moves[m].sourcePath, results[m].currentPath);
            continue;
        }
        if (item) {
            item->url = QUrl::fromLocalFile(moves[m].destinationPath);
            item->originalName = oldNames[m];
            item->newName = oldNames[m];
        }
        ++reverted;
    }
    updatePreview();
    if (m_files.isEmpty())
        Q_EMIT filesChanged();
    return reverted > 0;
}

// ---------------------------------------------------------------------------------------
// Workflows

bool RenameEngine::saveWorkflow(const QString &name)
{
    m_savedWorkflows.insert(workflowKey(name), m_operations);
    Q_EMIT savedWorkflowsChanged();
    return persistSavedWorkflows();
}

void RenameEngine::loadWorkflow(const QString &name)
{
    const auto found = m_savedWorkflows.constFind(workflowKey(name));
    if (found == m_savedWorkflows.cend())
        return;
    m_operations = *found;
    Q_EMIT operationsChanged();
    updatePreview();
}

void RenameEngine::deleteWorkflow(const QString &name)
{
    if (m_savedWorkflows.remove(workflowKey(name)) > 0)
        Q_EMIT savedWorkflowsChanged();
    persistSavedWorkflows();
}

void RenameEngine::renameWorkflow(const QString &oldName, const QString &newName)
{
    const QString oldKey = workflowKey(oldName);
    const QString newKey = workflowKey(newName);
    if (newKey.isEmpty() || newKey == oldKey)
        return;
    const auto found = m_savedWorkflows.constFind(oldKey);
    if (found == m_savedWorkflows.cend())
        return;
    // One write with the result, so that no moment on disk lacks the workflow.
    const QList<RenameOperationWrapper> operations = *found;
    m_savedWorkflows.remove(oldKey);
    m_savedWorkflows.insert(newKey, operations);
    Q_EMIT savedWorkflowsChanged();
    persistSavedWorkflows();
}

void RenameEngine::loadSystemWorkflow(SystemWorkflow workflow)
{
    m_operations = SystemWorkflows::operations(workflow);
    Q_EMIT operationsChanged();
    updatePreview();
}

bool RenameEngine::hasSavedWorkflow(const QString &name) const
{
    return m_savedWorkflows.contains(workflowKey(name));
}

QStringList RenameEngine::savedWorkflowNames() const
{
    QStringList names = m_savedWorkflows.keys();
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.toUcs4() < b.toUcs4(); });
    return names;
}

bool RenameEngine::persistSavedWorkflows()
{
    if (!m_preferences)
        return true;
    // What cannot be read is never replaced before a copy of it is on disk.
    if (m_unreadableWorkflows) {
        if (const std::optional<QString> failure =
                keepUnreadableWorkflowsAside(*m_unreadableWorkflows)) {
            Q_EMIT workflowsNotSaved(*failure);
            return false;
        }
        m_unreadableWorkflows.reset();
        m_unreadableWorkflowsKey.clear();
    }
    if (const std::optional<QString> failure =
            m_preferences->storeBytes(savedWorkflowsKey, encodeWorkflows(m_savedWorkflows))) {
        Q_EMIT workflowsNotSaved(*failure);
        return false;
    }
    return true;
}

void RenameEngine::loadSavedWorkflows()
{
    if (!m_preferences)
        return;
    const std::optional<QVariant> stored = m_preferences->readValue(savedWorkflowsKey);
    if (!stored)
        return;
    // Anything but bytes (text from a hand edit or a damaged file) cannot be read either.
    if (stored->typeId() != QMetaType::QByteArray) {
        m_unreadableWorkflows = *stored;
        return;
    }
    bool merged = false;
    std::optional<QMap<QString, QList<RenameOperationWrapper>>> workflows =
        decodeWorkflows(stored->toByteArray(), &merged);
    // What cannot be read in full is kept in memory until something is about to replace
    // it in the store, and then kept aside there.
    if (!workflows || merged)
        m_unreadableWorkflows = *stored;
    if (!workflows)
        return;
    m_savedWorkflows = std::move(*workflows);
    Q_EMIT savedWorkflowsChanged();
}

std::optional<QString> RenameEngine::keepUnreadableWorkflowsAside(const QVariant &value)
{
    // One damaged record must not cost the user every workflow: the value the next write
    // replaces is first copied, unchanged, under a key of its own. A key chosen by an attempt
    // that failed is used again, so that retries leave one copy.
    if (m_unreadableWorkflowsKey.isEmpty()) {
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString key = savedWorkflowsKey + QStringLiteral(".unreadable-") + stamp;
        for (int suffix = 2; m_preferences->readValue(key).has_value(); ++suffix)
            key = savedWorkflowsKey + QStringLiteral(".unreadable-") + stamp + u'-' +
                  QString::number(suffix);
        m_unreadableWorkflowsKey = key;
    }
    const QString key = m_unreadableWorkflowsKey;
    if (std::optional<QString> failure = m_preferences->storeValue(key, value))
        return failure;
    std::fprintf(
        stderr,
        "Brisklet: the saved workflows could not be read in full; the stored value was kept "
        "unchanged under the settings key \"%s\"\n",
        key.toUtf8().constData());
    std::fflush(stderr);
    return std::nullopt;
}
