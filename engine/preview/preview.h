#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfoscheduler.h"
#include "files/fileitem.h"
#include "files/listedfolders.h"
#include "names/renameoperationwrapper.h"
#include "preview/diskcheckscheduler.h"
#include "preview/fileinfopieces.h"
#include "preview/namejudge.h"
#include "preview/previewcache.h"
#include "preview/tuning.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// Works out every row's new name and status for an operation stack, on every change the
// user makes. Two ways lead there with the same result: a list of moderate size is
// previewed from what the last preview worked out (PreviewCache), a longer one from
// scratch; both judge the names with a NameJudge. It also keeps what the previews found
// beyond the rows: the regular-expression steps that ran out of time, the counts of
// statuses, and what the disk said of the new names.
class Preview : public QObject {
    Q_OBJECT

public:
    // `files` is the list previewed, which outlives this; while `busy` says so the rows
    // stay as they are.
    Preview(QList<FileItem> &files, std::function<bool()> busy, QObject *parent = nullptr);
    ~Preview() override;

    const Tuning &tuning() const { return m_tuning; }
    void setTuning(const Tuning &tuning);
    // Whether what a preview works out is kept for the next one (the default), or every
    // preview is made from scratch.
    void setKeepingRows(bool keeping);

    // Gives every row its new name and status; `rowsVersion` changes whenever rows come or
    // go. The caller announces the change.
    void update(const QList<RenameOperationWrapper> &operations, quint64 rowsVersion);
    // Gives the rows these new names, one for each row in its order, and judges them as a
    // preview judges the names it makes; nothing when the count differs. They hold until
    // the next update(). The caller announces the change.
    bool setNames(const QStringList &names, quint64 rowsVersion);
    // Forgets every row, for a list emptied.
    void clear();
    // The rows of the list, as of `rowsVersion`, took a new order: `order` lists the
    // positions they had. What was worked out for each row goes with it; the caller runs
    // update() next.
    void reorder(const std::vector<qsizetype> &order, quint64 rowsVersion);

    // The name of the row as it leaves each step, for one row on demand: the steps that ran
    // out of time in the last preview leave it as it is there.
    QStringList namesAfterEachStep(const QList<RenameOperationWrapper> &operations,
                                   qsizetype row) const;

    // Whether the step ran out of time on a name in the last preview.
    bool hasTimedOut(qsizetype step) const { return m_timedOutSteps.contains(step); }
    // The step was changed: whether it runs out of time is for the next preview to say.
    void stepChanged(qsizetype step);

    qsizetype conflictCount() const { return counts().conflicts; }
    qsizetype errorCount() const { return counts().errors; }
    // Told of every change to the rows, before anyone else: a preview's counts hold for
    // the change it makes, any other change has them counted again when first read.
    void rowsChanged();

    // What the files say of themselves, read for the file-info steps.
    FileInfoScheduler &fileInfo() { return m_fileInfo; }
    const FileInfoScheduler &fileInfo() const { return m_fileInfo; }
    // Whether the stack of the last preview reads file info.
    bool readsFileInfo() const { return m_readsFileInfo; }

    void setCheckingInBackground(bool inBackground) { m_diskChecks.setInBackground(inBackground); }
    void checkOnDisk() { m_diskChecks.checkNow(); }
    void dropDiskChecks() { m_diskChecks.drop(); }

Q_SIGNALS:
    // The disk's answer changed the statuses of the rows from `first` to `last`.
    void statusesChanged(qsizetype first, qsizetype last);

private:
    const ListedFolders &listedFolders(quint64 rowsVersion);
    NameJudge::Counts fromScratch(const QList<RenameOperationWrapper> &operations,
                                  const ListedFolders &folders);
    // Reads what the file-info steps need and works out their pieces; false when what the
    // cache kept of the rows no longer holds.
    bool updateFileInfo(const QList<RenameOperationWrapper> &operations, quint64 rowsVersion);
    const NameJudge::Counts &counts() const;

    QList<FileItem> &m_files;
    Tuning m_tuning = Tuning::standard();
    PreviewCache m_cache{m_tuning};
    // The folders of the rows, made again when rows come or go; what each folder's file
    // system does with letter case, asked once per folder.
    ListedFolders m_folders;
    quint64 m_foldersOfRows = ~quint64(0); // the rows version m_folders was made for
    QHash<QByteArray, bool> m_folderIgnoresCase;
    DiskCheckScheduler m_diskChecks;
    FileInfoScheduler m_fileInfo;
    FileInfoPieces m_infoPieces;
    bool m_readsFileInfo = false;
    bool m_keepsRows = true;
    // Positions of the regular-expression steps that ran out of time in the last preview.
    QSet<qsizetype> m_timedOutSteps;
    // The conflict and error counts of the rows, counted in one pass when first read and
    // forgotten whenever the rows change: the bars read them after every keystroke, and a
    // long list is slow to walk.
    mutable std::optional<NameJudge::Counts> m_counts;
    // The counts a preview made, for the change it is about to announce.
    std::optional<NameJudge::Counts> m_previewCounts;
};
