#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "fileinfo/fileinfocache.h"
#include "fileinfo/fileinforeader.h"
#include "files/fileitem.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QReadWriteLock>
#include <QThreadPool>
#include <QUuid>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// Reads what the listed files say of themselves on worker threads, never on the thread that
// asks, and keeps it by row. What was read is kept in a FileInfoCache by the file's identity,
// size and modification time: a row is read whenever it joins the list, and its file is read
// in full again only when it changed since (a stat tells). Results come back to the asking
// thread in batches, one event for many files, and only for rows still listed: a row
// removed, or a list cleared, while its file is read never gets an answer.
class FileInfoScheduler : public QObject {
    Q_OBJECT

public:
    // Reads one file; safe to call from several threads at once.
    using Reader = std::function<FileInfo(const QByteArray &path, FileInfoReader::Depth depth)>;

    explicit FileInfoScheduler(QObject *parent = nullptr);
    // Stops handing out files and waits for the reads under way.
    ~FileInfoScheduler() override;

    // FileInfoReader::read unless a test says otherwise.
    void setReader(Reader reader);
    void setThreads(int threads);

    // Has every row of `files` read that has not been read at `depth` yet. Asked again for
    // rows of the same `rowsVersion` and no more depth, it returns at once.
    void need(const QList<FileItem> &files, FileInfoReader::Depth depth, quint64 rowsVersion);
    // The same, and waits for the reads here (the command line).
    void readNow(const QList<FileItem> &files, FileInfoReader::Depth depth);
    // Forgets every row.
    void clear();

    // What the row's file said, once read; none before. Its image and recording details
    // are there when the row was read in full. Safe from several threads at once while
    // nothing is taken in.
    std::optional<FileInfo> infoOf(const QUuid &row) const;
    // Rows whose files are being read.
    qsizetype readingCount() const { return m_reading; }
    // The rows answered since the last call.
    std::vector<QUuid> takeArrived() { return std::exchange(m_arrived, {}); }
    // Counts up whenever answers are taken in.
    quint64 version() const { return m_version; }

Q_SIGNALS:
    // Answers for some rows were taken in; readingCount() says how many are left.
    void arrived();

private:
    struct Task {
        QUuid row;
        QByteArray path;
    };
    struct Answer {
        QUuid row;
        FileInfo info;
    };
    // What the workers share with this object: the reader, the cache and whether the
    // rows they were given are still wanted.
    struct Shared {
        Reader reader;
        FileInfoCache cache;
        QReadWriteLock cacheLock;
        std::atomic<quint64> generation = 0;
    };
    // What a row's file said, apart from what the cache holds.
    struct Row {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNanoseconds = 0;
        std::optional<FileInfoReader::Depth> read;    // none until read
        std::optional<FileInfoReader::Depth> reading; // none unless on its way
    };

    std::vector<Task> tasksFor(const QList<FileItem> &files, FileInfoReader::Depth depth);
    static std::vector<Answer> readAll(Shared &shared, const std::vector<Task> &tasks, size_t begin,
                                       size_t end, FileInfoReader::Depth depth, quint64 generation);
    void takeIn(std::vector<Answer> answers, FileInfoReader::Depth depth, quint64 generation);

    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    QThreadPool m_pool;
    QHash<QUuid, Row> m_rows;
    QHash<QUuid, QString> m_problems; // rows whose files could not be read, and why
    std::vector<QUuid> m_arrived;
    qsizetype m_reading = 0;
    quint64 m_version = 0;
    quint64 m_neededRows = ~quint64(0);
    FileInfoReader::Depth m_neededDepth = FileInfoReader::Depth::stamps;
};
