#pragma once

#include "batches/batchrunner.h"
#include "batches/renamehistory.h"
#include "batches/renamejob.h"
#include "batches/undooperation.h"
#include "disk/batchmover.h"
#include "disk/diskchecks.h"
#include "disk/recoveryreport.h"
#include "fileinfo/fileinfo.h"
#include "fileinfo/fileinfofollower.h"
#include "files/fileadder.h"
#include "files/fileitem.h"
#include "files/filelistorder.h"
#include "files/fileorder.h"
#include "files/listedfiles.h"
#include "files/listedfolders.h"
#include "files/rowspan.h"
#include "names/renameoperationwrapper.h"
#include "preview/tuning.h"
#include "workflows/workflowlibrary.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>
#include <QUuid>

#include <QByteArray>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class FileMover;
class PreferencesStore;
class Preview;
enum class SystemWorkflow;

// Owns everything the user works on: the file list and its selection, the operation
// stack, the saved workflows and the undo history. Views observe the change signals and
// redraw from the current state; every user action ends in one of these operations.
class RenameEngine : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype maxUndoOperations = RenameHistory::maxUndoOperations;

    using RowSpan = ::RowSpan;

    // Reports files done out of the total while a batch or an undo runs.
    using ProgressCallback = BatchRunner::ProgressCallback;

    // Keeps saved workflows in the user's settings and moves files on the real disk.
    explicit RenameEngine(QObject *parent = nullptr);
    RenameEngine(std::unique_ptr<PreferencesStore> preferences, std::unique_ptr<FileMover> mover,
                 QObject *parent = nullptr);
    ~RenameEngine() override;

    const QList<FileItem> &files() const { return m_files; }
    const QSet<QUuid> &selectedFiles() const { return m_selectedFiles; }
    const QList<RenameOperationWrapper> &operations() const { return m_operations; }
    const QMap<QString, QList<RenameOperationWrapper>> &savedWorkflows() const
    {
        return m_workflows->workflows();
    }
    const QList<UndoOperation> &undoStack() const { return m_batches->undoStack(); }

    // The file list.
    void addFiles(const QList<QUrl> &urls) { m_adder->add(urls); }
    // The same for local files given by their exact path bytes (absolute, cleaned, without
    // a trailing slash), as the command line has them: the rows are those of their file
    // URLs, made without one.
    void addLocalFiles(const QList<QByteArray> &paths) { m_adder->addPaths(paths); }
    // The same for files the user hands over in the window: from `backgroundAddFrom` URLs
    // on, each file's identity is read on a worker (a job of kind `add`) and the rows join
    // the list when it finishes; fewer are added at once, and the answer is null. Null as
    // well, and nothing added, while the engine is busy.
    static constexpr qsizetype backgroundAddFrom = FileAdder::inBackgroundFrom;
    RenameJob *startAddingFiles(const QList<QUrl> &urls) { return m_adder->startAdding(urls); }
    // Asks the user interface for files to add (browseRequested); the engine shows no
    // window itself.
    void browseFiles() { Q_EMIT browseRequested(); }
    void removeSelectedFiles();
    void clearAll();

    // The order of the list, which numbering follows: it stays until the user changes it.
    // Each of these is refused while the engine is busy, and a change previews the list.
    void sortFiles(SortKey key, Qt::SortOrder order) { m_order->sort(key, order); }
    void reverseFiles() { m_order->reverse(); }
    // The rows of `ids`, in their order, move as one block to before the row now at
    // `destination`; files().size() moves them to the end.
    void moveFiles(const QList<QUuid> &ids, qsizetype destination)
    {
        m_order->move(ids, destination);
    }
    // Each selected row moves one place up (`by` < 0) or down, stopping at the ends.
    void moveSelectedFiles(int by) { m_order->moveByOne(m_selectedFiles, by); }

    // Selection.
    void toggleSelection(const QUuid &fileId);
    void deselectAll();

    // The operation stack.
    void addOperation();
    void removeOperation(qsizetype index);
    // Writes one step in place, as the editor does on every edit. The preview is the
    // caller's to run, once the value is in place.
    void setOperation(qsizetype index, const RenameOperationWrapper &operation);
    // The whole stack at once, as loading a workflow sets it; the preview follows.
    void setOperations(const QList<RenameOperationWrapper> &operations)
    {
        replaceOperations(operations);
    }

    // Why the regular expression of the step at this position leaves every name as it is:
    // what keeps the pattern from compiling, or its running out of time on a name in the
    // last preview. Empty while the step works, or is not a regular expression.
    QString patternProblem(qsizetype index) const;
    // Why the step's replacement template leaves every matching name as it is: it names a
    // group the pattern does not have. Empty while it works, or is not a regular expression.
    QString replacementProblem(qsizetype index) const;

    // The name of the file in `row` as it leaves each step of the stack, in the steps'
    // order: worked out for that row alone, whenever asked.
    QStringList namesAfterEachStep(qsizetype row) const;

    // Queries.
    bool hasPendingFiles() const { return ListedFiles::anyPending(m_files); }
    bool hasChanges() const { return ListedFiles::anyChanged(m_files); }
    qsizetype conflictCount() const;
    qsizetype errorCount() const;

    // Preview.
    void updatePreview();
    // New names given by hand, one for each row in the list's order, judged as a preview's
    // are (duplicates, bad names, then the disk as it is checked); they hold until the
    // stack or the list changes. False, and nothing changed, when the count differs.
    bool setEditedNames(const QStringList &names);

    // What the files say of themselves, for the file-info steps: read on workers when a
    // step needs it, and the list previewed again as answers come in.
    bool isReadingFileInfo() const { return m_fileInfo->isReading(); }
    qsizetype fileInfoReadingCount() const { return m_fileInfo->readingCount(); }
    // Reads what the stack needs here and now, then previews (the command line).
    void readFileInfoNow() { m_fileInfo->readNow(m_operations); }
    // The wall-clock time the row's picture was taken (milliseconds from 1970-01-01T00:00
    // of that clock), once its file was read in full and if it has one.
    std::optional<qint64> dateTakenOf(qsizetype row) const { return m_fileInfo->dateTakenOf(row); }
    // Tests read files their own way: slowly, failing, or changed.
    using FileInfoReading = FileInfoFollower::Reading;
    void setFileInfoReader(FileInfoReading reader) { m_fileInfo->setReader(std::move(reader)); }
    // How previews spread their work; tests set it to force a path.
    const Tuning &tuning() const;
    void setTuning(const Tuning &tuning);

    // What the disk says of the new names (a name already taken, a folder that cannot be
    // written) turns rows that would be renamed into errors. In the background (the
    // default), each preview has the disk checked on a worker once the user pauses, and the
    // rows change when the answer comes, unless the list or the stack changed meanwhile. On
    // request, only checkOnDisk() looks, here and now.
    enum class DiskChecking { inBackground, onRequest };
    void setDiskChecking(DiskChecking checking);
    void checkOnDisk();
    // How long the list must stay as it is before the disk is checked in the background.
    static constexpr int diskCheckDelayMilliseconds = Tuning().diskCheckDelayMilliseconds;

    // Whether a preview keeps what it worked out for each row, so that the next edit of a
    // step redoes only what that edit changes (the default, for the window). A run that
    // previews its list once, as the command line does, keeps nothing: its preview is then
    // made from scratch, the way a list too long to keep is, in less time and memory.
    enum class PreviewReuse { keptForEdits, none };
    void setPreviewReuse(PreviewReuse reuse);

    // Renaming and undo, as jobs whose moves run on a worker thread while the event loop
    // keeps turning. While a job runs the engine is busy: it refuses to change the file list
    // or to start another batch, and the job's outcome is taken in when it finishes.
    // Null when a job is already running, or when there is nothing to do.
    // While a file-info step's files are still being read, the rename waits for them (its
    // job counts them as progress and can be cancelled), then previews the list again and
    // renames as planned; it stops without moving anything when the list then has conflicts
    // or errors the user has not seen.
    RenameJob *startRename();
    // `index` is a position in undoStack(); the last batch is at the end.
    RenameJob *startUndo(qsizetype index) { return m_batches->startUndo(index); }
    RenameJob *currentJob() const { return m_batches->currentJob(); }
    bool isBusy() const { return m_batches->isBusy(); }

    // Told, before the first move, the undo entry the batch will push if every move goes as
    // planned; the batch does not start when it answers false.
    using BeforeMoves = BatchRunner::BeforeMoves;

    // The same, run to the end before returning (scripts, tests, the benchmark).
    std::pair<qsizetype, qsizetype> performRename(const ProgressCallback &progress = {},
                                                  const BeforeMoves &beforeMoves = {})
    {
        return m_batches->performRename(progress, beforeMoves);
    }
    bool canUndo() const { return m_batches->canUndo(); }
    bool undoLastRename(const ProgressCallback &progress = {})
    {
        return undoRename(undoStack().size() - 1, progress);
    }
    bool undoRename(qsizetype index, const ProgressCallback &progress = {})
    {
        return m_batches->undoRename(index, progress);
    }
    bool revertUndoOperation(const UndoOperation &operation, const ProgressCallback &progress = {})
    {
        return m_batches->revertUndoOperation(operation, progress);
    }
    // Why the last batch or undo moved nothing at all: its recovery record could not be
    // written, and it did not start. Empty when it ran.
    QString batchRefusal() const { return m_batches->refusal(); }
    // Puts right what batches cut short by a crash left behind (see BatchRecovery); run
    // once at launch, before any batch of this process.
    RecoveryReport recoverInterruptedBatches() { return m_batches->recoverInterruptedBatches(); }

    // Saved and built-in workflows.
    // False, after `workflowsNotSaved`, when the store could not be written; the workflow
    // is saved in memory either way.
    bool saveWorkflow(const QString &name) { return m_workflows->save(name, m_operations); }
    void loadWorkflow(const QString &name);
    void deleteWorkflow(const QString &name) { m_workflows->remove(name); }
    void renameWorkflow(const QString &oldName, const QString &newName)
    {
        m_workflows->rename(oldName, newName);
    }
    void loadSystemWorkflow(SystemWorkflow workflow);
    // Writes the saved workflows to the store; false, after `workflowsNotSaved`, when they
    // could not be written. They stay in memory either way.
    bool persistSavedWorkflows() { return m_workflows->persist(); }
    void loadSavedWorkflows() { m_workflows->load(); }
    // Whether a workflow is saved under exactly this name (letter case counts; canonically
    // equivalent spellings are the same name).
    bool hasSavedWorkflow(const QString &name) const { return m_workflows->contains(name); }
    // Whether renaming `oldName` to `newName` would replace another saved workflow.
    bool renameReplacesWorkflow(const QString &oldName, const QString &newName) const
    {
        return m_workflows->renameReplaces(oldName, newName);
    }
    // The saved names in ascending order of their Unicode scalar values, so upper case
    // sorts before lower case.
    QStringList savedWorkflowNames() const { return m_workflows->names(); }

Q_SIGNALS:
    // Each change of the file list is told by one of these four signals, then by
    // filesChanged(). Rows keep their identity and their place until they are removed: a
    // rename or an undo changes them where they are.
    // `count` rows joined the end of the list at `first`; their preview follows.
    void filesAppended(qsizetype first, qsizetype count);
    // These rows left the list, in ascending order, at the positions they had before.
    void filesRemoved(const QList<RenameEngine::RowSpan> &spans);
    // What the rows from `first` to `last` show changed: names, statuses, messages or paths.
    void filesUpdated(qsizetype first, qsizetype last);
    // Every row left the list at once.
    void filesCleared();
    // The rows are about to take a new order, and have taken it: the same rows, each with
    // its id, at other positions. Their preview follows.
    void filesAboutToBeReordered();
    void filesReordered();
    // The file list changed in one of the ways above, or an undo changed the history of an
    // empty list. From here on the queries (counts, hasPendingFiles, hasChanges, canUndo,
    // patternProblem) answer for the list as it now is; views that show only those listen
    // here, views that show rows listen to a model of them.
    void filesChanged();
    // The selected files changed. Never runs the preview.
    void selectedFilesChanged();
    void operationsChanged();
    void savedWorkflowsChanged();
    // The saved workflows could not be written; `reason` is a sentence for the user.
    void workflowsNotSaved(const QString &reason);
    // A job started or finished.
    void busyChanged(bool busy);
    // browseFiles() was called: the user interface shows its file chooser and hands the
    // chosen files to startAddingFiles().
    void browseRequested();

private:
    // A loaded workflow's steps replace the stack.
    void replaceOperations(const QList<RenameOperationWrapper> &operations);
    // After rows were appended to the list: tells of them and previews the whole list.
    void takeInAddedRows(qsizetype added);
    // After the rows took a new order (`order` lists the positions they had): tells of it
    // and previews the list.
    void takeInNewOrder(const std::vector<qsizetype> &order);

    std::unique_ptr<WorkflowLibrary> m_workflows;
    std::unique_ptr<FileMover> m_mover;
    // Declared after the mover: a job still moving files finishes before the mover goes.
    std::unique_ptr<BatchRunner> m_batches;

    QList<FileItem> m_files;
    quint64 m_rowsVersion = 0; // counts up whenever rows come or go
    QSet<QUuid> m_selectedFiles;
    QList<RenameOperationWrapper> m_operations;
    // Made after the list and gone before it: it works on m_files.
    std::unique_ptr<Preview> m_preview;
    // Made after the preview and gone before it: they work on the members above.
    std::unique_ptr<FileInfoFollower> m_fileInfo;
    std::unique_ptr<FileListOrder> m_order;
    std::unique_ptr<FileAdder> m_adder;
};
