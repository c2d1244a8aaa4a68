#include "fileinfo/fileinfoscheduler.h"

#include "preview/tuning.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QReadLocker>
#include <QWriteLocker>

#include <algorithm>

using Depth = FileInfoReader::Depth;

namespace {

// Files a worker reads before it reports: few enough that the first names show soon, many
// enough that a large list does not flood the event loop.
constexpr size_t filesPerBatch = 256;

} // namespace

FileInfoScheduler::FileInfoScheduler(QObject *parent) : QObject(parent)
{
    m_shared->reader = [](const QByteArray &path, Depth depth) {
        return FileInfoReader::read(path, depth);
    };
    setThreads(Tuning::standard().threads);
}

FileInfoScheduler::~FileInfoScheduler()
{
    ++m_shared->generation;
    m_pool.waitForDone();
}

void FileInfoScheduler::setReader(Reader reader)
{
    m_pool.waitForDone();
    m_shared->reader = std::move(reader);
}

void FileInfoScheduler::setThreads(int threads)
{
    m_pool.setMaxThreadCount(std::max(threads, 1));
}

void FileInfoScheduler::clear()
{
    // Reads under way go on to their end, but their answers are for rows no longer here.
    ++m_shared->generation;
    m_rows.clear();
    m_problems.clear();
    m_arrived.clear();
    m_reading = 0;
    m_neededRows = ~quint64(0);
    ++m_version;
}

std::vector<FileInfoScheduler::Task> FileInfoScheduler::tasksFor(const QList<FileItem> &files,
                                                                 Depth depth)
{
    // Rows no longer listed are forgotten; an answer on its way for one is dropped.
    QHash<QUuid, Row> listed;
    listed.reserve(files.size());
    std::vector<Task> tasks;
    for (const FileItem &item : files) {
        Row row = m_rows.value(item.id);
        const auto enough = [depth](const std::optional<Depth> &had) {
            return had && *had >= depth;
        };
        if (!enough(row.read) && !enough(row.reading)) {
            if (!row.reading)
                ++m_reading;
            row.reading = depth;
            tasks.push_back(Task{item.id, item.path});
        }
        listed.insert(item.id, row);
    }
    for (auto it = m_rows.cbegin(); it != m_rows.cend(); ++it) {
        if (it->reading && !listed.contains(it.key()))
            --m_reading;
    }
    m_rows = std::move(listed);
    m_problems.removeIf([this](const std::pair<const QUuid &, QString &> &entry) {
        return !m_rows.contains(entry.first);
    });
    return tasks;
}

void FileInfoScheduler::need(const QList<FileItem> &files, Depth depth, quint64 rowsVersion)
{
    if (rowsVersion == m_neededRows && depth <= m_neededDepth)
        return;
    m_neededRows = rowsVersion;
    m_neededDepth = depth;
    auto tasks = std::make_shared<const std::vector<Task>>(tasksFor(files, depth));
    const quint64 generation = m_shared->generation;
    for (size_t begin = 0; begin < tasks->size(); begin += filesPerBatch) {
        const size_t end = std::min(tasks->size(), begin + filesPerBatch);
        m_pool.start([this, shared = m_shared, tasks, begin, end, depth, generation] {
            std::vector<Answer> answers = readAll(*shared, *tasks, begin, end, depth, generation);
            if (answers.empty())
                return;
            // This object waits for its workers before it goes, so it is still there.
            QMetaObject::invokeMethod(
                this,
                [this, answers = std::move(answers), depth, generation]() mutable {
                    takeIn(std::move(answers), depth, generation);
                },
                Qt::QueuedConnection);
        });
    }
}

void FileInfoScheduler::readNow(const QList<FileItem> &files, Depth depth)
{
    const std::vector<Task> tasks = tasksFor(files, depth);
    const quint64 generation = m_shared->generation;
    std::vector<std::vector<Answer>> pieces((tasks.size() + filesPerBatch - 1) / filesPerBatch);
    for (size_t piece = 0; piece < pieces.size(); ++piece) {
        const size_t begin = piece * filesPerBatch;
        const size_t end = std::min(tasks.size(), begin + filesPerBatch);
        m_pool.start([&, piece, begin, end] {
            pieces[piece] = readAll(*m_shared, tasks, begin, end, depth, generation);
        });
    }
    m_pool.waitForDone();
    // Rows already on their way were read by workers started before: their answers wait
    // in the event queue.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    for (std::vector<Answer> &answers : pieces)
        takeIn(std::move(answers), depth, generation);
    m_neededRows = ~quint64(0);
}

std::vector<FileInfoScheduler::Answer> FileInfoScheduler::readAll(Shared &shared,
                                                                  const std::vector<Task> &tasks,
                                                                  size_t begin, size_t end,
                                                                  Depth depth, quint64 generation)
{
    std::vector<Answer> answers;
    answers.reserve(end - begin);
    for (size_t i = begin; i < end; ++i) {
        if (shared.generation != generation)
            return {};
        const Task &task = tasks[i];
        FileInfo info = shared.reader(task.path, Depth::stamps);
        if (depth == Depth::everything && info.problem.isEmpty()) {
            std::optional<FileInfo> known;
            {
                QReadLocker locked(&shared.cacheLock);
                known =
                    shared.cache.find(info.device, info.inode, info.size, info.modifiedNanoseconds);
            }
            info = known ? std::move(*known) : shared.reader(task.path, Depth::everything);
        }
        answers.push_back(Answer{task.row, std::move(info)});
    }
    return answers;
}

void FileInfoScheduler::takeIn(std::vector<Answer> answers, Depth depth, quint64 generation)
{
    if (generation != m_shared->generation)
        return;
    QWriteLocker locked(&m_shared->cacheLock);
    for (Answer &answer : answers) {
        const auto it = m_rows.find(answer.row);
        // Asked for more meanwhile: the deeper answer is the one that counts.
        if (it == m_rows.end() || !it->reading || *it->reading != depth)
            continue;
        it->reading.reset();
        it->read = depth;
        m_arrived.push_back(answer.row);
        --m_reading;
        const FileInfo &info = answer.info;
        it->device = info.device;
        it->inode = info.inode;
        it->size = info.size;
        it->modifiedNanoseconds = info.modifiedNanoseconds;
        if (!info.problem.isEmpty())
            m_problems.insert(answer.row, info.problem);
        else
            m_problems.remove(answer.row);
        if (depth == Depth::everything && info.problem.isEmpty())
            m_shared->cache.insert(info);
    }
    ++m_version;
    locked.unlock();
    Q_EMIT arrived();
}

std::optional<FileInfo> FileInfoScheduler::infoOf(const QUuid &row) const
{
    const auto it = m_rows.constFind(row);
    if (it == m_rows.cend() || !it->read)
        return std::nullopt;
    if (const auto problem = m_problems.isEmpty() ? m_problems.cend() : m_problems.constFind(row);
        problem != m_problems.cend()) {
        FileInfo info;
        info.problem = *problem;
        return info;
    }
    if (*it->read == Depth::everything) {
        if (std::optional<FileInfo> info =
                m_shared->cache.find(it->device, it->inode, it->size, it->modifiedNanoseconds))
            return info;
    }
    FileInfo info;
    info.device = it->device;
    info.inode = it->inode;
    info.size = it->size;
    info.modifiedNanoseconds = it->modifiedNanoseconds;
    return info;
}
