#pragma once

// Internal to the engine: not part of its interface.

#include "disk/diskchecks.h"
#include "files/fileitem.h"
#include "files/listedfolders.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// What the disk says of the new names (a name already taken, a folder that cannot be
// written) turns rows that would be renamed into errors. In the background, each preview
// has the disk checked on a worker once the user pauses, and the rows change when the
// answer comes, unless the rows or their names changed meanwhile. What the last answer found
// of a row is kept while the row keeps the new name it was found for: a preview gives the
// row that finding again at once, so that it does not flicker to pending until the next
// answer.
class DiskCheckScheduler : public QObject {
    Q_OBJECT

public:
    // `files` and `folders` (the folders of the files) outlive this; while `busy` says so
    // the rows stay as they are.
    DiskCheckScheduler(QList<FileItem> &files, const ListedFolders &folders,
                       std::function<bool()> busy, QObject *parent = nullptr);
    ~DiskCheckScheduler() override;

    void setDelay(int milliseconds) { m_timer.setInterval(milliseconds); }
    // In the background (the default), or only when checkNow() is called.
    void setInBackground(bool inBackground);

    // After a preview: gives each row that kept its new name what the disk last said of it,
    // unless the preview found something else wrong, and has the disk checked again once the
    // user pauses. Returns how many rows it made errors.
    qsizetype previewed();
    // Looks here and now.
    void checkNow();
    // Any answer on its way is for rows as they were: it is dropped.
    void drop();
    // Rows came or went: row numbers no longer say which file a finding was for.
    void forgetFindings() { m_kept.clear(); }
    // The same rows in a new order (`order` lists the positions they had): each finding
    // goes with its row.
    void reorder(const std::vector<qsizetype> &order);

Q_SIGNALS:
    // An answer changed the statuses of the rows from `first` to `last`.
    void statusesChanged(qsizetype first, qsizetype last);

private:
    // Whether a batch would move the row to a new name.
    bool wouldMove(qsizetype row) const;
    std::vector<DiskChecks::Candidate> candidates() const;
    void start();
    void takeIn(const DiskChecks::Findings &findings);

    QList<FileItem> &m_files;
    const ListedFolders &m_folders;
    std::function<bool()> m_busy;
    std::unique_ptr<DiskChecks> m_checks;
    QTimer m_timer;
    bool m_inBackground = true;
    quint64 m_request = 0; // counts up whenever an answer on its way goes stale
    struct KeptFinding {
        QString newName;
        DiskChecks::Problem problem;
    };
    QHash<qsizetype, KeptFinding> m_kept;
};
