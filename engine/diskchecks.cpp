#include "diskchecks.h"

#include "localpath.h"
#include "posixfilemover.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutexLocker>
#include <QThread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

// Candidates checked between two looks at whether the request is still wanted.
constexpr qsizetype checksBetweenLooks = 256;

// Whether a rename can be made in the folder. A folder that cannot be reached at all is
// left for the move to describe.
bool canWriteIn(const QByteArray &folder)
{
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0)
        return true;
    return errno != EACCES && errno != EROFS && errno != EPERM;
}

} // namespace

OptionalText DiskChecks::message(Problem problem)
{
    // Made once, so that every row with the problem shares the text.
    static const OptionalText taken =
        QCoreApplication::translate("DiskChecks", "An item with this name already exists");
    static const OptionalText notWritable =
        QCoreApplication::translate("DiskChecks", "The folder cannot be written");
    return problem == Problem::taken ? taken : notWritable;
}

std::optional<DiskChecks::Findings> DiskChecks::run(const std::vector<Candidate> &candidates,
                                                    const std::function<bool()> &stillWanted)
{
    const auto count = qsizetype(candidates.size());
    // Where each candidate's item is now: a destination there is vacated by the batch, as
    // the mover sees it, by exact bytes.
    QHash<QByteArrayView, qsizetype> leaving;
    leaving.reserve(count);
    for (qsizetype k = 0; k < count; ++k)
        leaving.insert(candidates[size_t(k)].sourcePath, k);

    std::vector<std::optional<Problem>> problems(static_cast<size_t>(count));
    // The candidate whose item holds each destination now, or -1.
    std::vector<qsizetype> waitsFor(size_t(count), -1);
    QHash<QByteArray, bool> writable;
    QByteArray lastFolder;
    bool lastWritable = true;
    for (qsizetype k = 0; k < count; ++k) {
        if (k % checksBetweenLooks == 0 && stillWanted && !stillWanted())
            return std::nullopt;
        const Candidate &candidate = candidates[size_t(k)];
        const std::optional<QByteArray> destination =
            LocalPath::withEncodedName(candidate.sourcePath, candidate.newName);
        if (!destination || *destination == candidate.sourcePath)
            continue;
        QByteArray folder = LocalPath::folderOf(candidate.sourcePath);
        if (folder != lastFolder) {
            auto known = writable.constFind(folder);
            if (known == writable.cend())
                known = writable.insert(folder, canWriteIn(folder));
            lastWritable = *known;
            lastFolder = std::move(folder);
        }
        if (!lastWritable) {
            problems[size_t(k)] = Problem::folderNotWritable;
            continue;
        }
        struct stat info;
        if (::lstat(destination->constData(), &info) != 0)
            continue; // free, or nothing to be told before the move
        if (const auto holder = leaving.constFind(*destination); holder != leaving.cend()) {
            waitsFor[size_t(k)] = *holder;
            continue;
        }
        if (PosixFileMover::isOtherSpelling(candidate.sourcePath, *destination))
            continue; // a change of letter case where case is ignored
        problems[size_t(k)] = Problem::taken;
    }

    // A destination whose item cannot leave stays taken, and so on down a chain.
    QHash<qsizetype, std::vector<qsizetype>> waiting;
    std::vector<qsizetype> stuck;
    for (qsizetype k = 0; k < count; ++k) {
        if (waitsFor[size_t(k)] >= 0)
            waiting[waitsFor[size_t(k)]].push_back(k);
        if (problems[size_t(k)])
            stuck.push_back(k);
    }
    while (!stuck.empty()) {
        const qsizetype k = stuck.back();
        stuck.pop_back();
        const auto waiters = waiting.constFind(k);
        if (waiters == waiting.cend())
            continue;
        for (const qsizetype w : *waiters) {
            if (problems[size_t(w)])
                continue;
            problems[size_t(w)] = Problem::taken;
            stuck.push_back(w);
        }
    }

    Findings findings;
    for (qsizetype k = 0; k < count; ++k) {
        if (problems[size_t(k)])
            findings.push_back({candidates[size_t(k)].row, *problems[size_t(k)]});
    }
    return findings;
}

DiskChecks::DiskChecks(QObject *parent) : QObject(parent)
{
    m_worker = QThread::create([this] { work(); });
    m_worker->setObjectName(QStringLiteral("Brisklet disk checks"));
    m_worker->start(QThread::LowPriority);
}

DiskChecks::~DiskChecks()
{
    {
        const QMutexLocker locker(&m_lock);
        m_stopping = true;
        ++m_wanted;
        m_wake.wakeAll();
    }
    m_worker->wait();
    delete m_worker;
}

void DiskChecks::start(std::vector<Candidate> candidates,
                       std::function<void(const Findings &)> done)
{
    const QMutexLocker locker(&m_lock);
    ++m_wanted;
    m_next = std::move(candidates);
    m_nextDone = std::move(done);
    m_wake.wakeAll();
}

void DiskChecks::cancel()
{
    const QMutexLocker locker(&m_lock);
    ++m_wanted;
    m_next.reset();
    m_nextDone = nullptr;
}

void DiskChecks::work()
{
    for (;;) {
        std::vector<Candidate> candidates;
        std::function<void(const Findings &)> done;
        quint64 request = 0;
        {
            QMutexLocker locker(&m_lock);
            while (!m_next && !m_stopping)
                m_wake.wait(&m_lock);
            if (m_stopping)
                return;
            candidates = std::move(*m_next);
            m_next.reset();
            done = std::move(m_nextDone);
            request = m_wanted.load();
        }
        std::optional<Findings> findings =
            run(candidates, [this, request] { return m_wanted.load() == request; });
        candidates = {}; // the names are the list's to change again
        if (!findings)
            continue;
        // Handed over on the owner's thread, where a newer request may have come meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, request, done = std::move(done), findings = std::move(*findings)] {
                if (m_wanted.load() == request)
                    done(findings);
            },
            Qt::QueuedConnection);
    }
}
