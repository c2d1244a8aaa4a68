#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"
#include "names/optionaltext.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QWaitCondition>

#include <atomic>
#include <functional>
#include <optional>
#include <vector>

class QThread;

// What the disk says about the new names of a preview, before anything moves: a destination
// already taken by an item that does not leave it in the same batch, and a folder that cannot
// be written. The move checks all of it again; this only warns early. The checks read the
// disk, so the window has them made on a worker of their own while the user goes on typing:
// only the latest request is worked on, and one overtaken by a newer request (or called off)
// is dropped unfinished, its findings never delivered.
class DiskChecks : public QObject {
    Q_OBJECT

public:
    enum class Problem : quint8 { taken, folderNotWritable };
    // A row to be renamed: listed at `sourcePath`, to take `newName` in the same folder,
    // which may compare names without regard to letter case.
    struct Candidate {
        qsizetype row = -1;
        QByteArray sourcePath;
        QString newName;
        bool folderIgnoresCase = false;
    };
    struct Finding {
        qsizetype row = -1;
        Problem problem = Problem::taken;
    };
    using Findings = std::vector<Finding>;

    // The message of a problem, shared by every row that has it.
    static OptionalText message(Problem problem);

    // Checks the candidates here and now, in their order. None when `stillWanted` says no
    // before the end (asked every few hundred candidates).
    static std::optional<Findings> run(const std::vector<Candidate> &candidates,
                                       const std::function<bool()> &stillWanted = {});
    // The same for rows of `files` that would move, read where they are: the list stays as
    // it is until this returns. `folderIgnoresCase` tells it of a row's folder.
    static Findings run(const QList<FileItem> &files, const std::vector<qsizetype> &rows,
                        const std::function<bool(qsizetype row)> &folderIgnoresCase);

    explicit DiskChecks(QObject *parent = nullptr);
    // Waits for the worker to stop; nothing is delivered after.
    ~DiskChecks() override;

    // Checks the candidates on the worker, then calls `done` on this object's thread with the
    // findings, unless start or cancel is called again before.
    void start(std::vector<Candidate> candidates, std::function<void(const Findings &)> done);
    void cancel();

private:
    void work();

    QThread *m_worker = nullptr;
    QMutex m_lock;
    QWaitCondition m_wake;
    // The request the worker is to take next, under the lock.
    std::optional<std::vector<Candidate>> m_next;
    std::function<void(const Findings &)> m_nextDone;
    bool m_stopping = false;
    // Which request is wanted: each start or cancel counts one up.
    std::atomic<quint64> m_wanted = 0;
};
