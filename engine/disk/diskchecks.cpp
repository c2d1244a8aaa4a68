#include "disk/diskchecks.h"

#include "disk/localpath.h"
#include "disk/namelookup.h"
#include "disk/posixfilemover.h"
#include "names/unicodetext.h"

#include <QCoreApplication>
#include <QHash>
#include <QMutexLocker>
#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

// Candidates checked between two looks at whether the request is still wanted.
constexpr qsizetype checksBetweenLooks = 256;
// From this many candidates of one folder on, reading the folder's entries once costs less
// than looking each name up, when the folder holds not many more entries than that.
constexpr qsizetype readEntriesFrom = 256;
constexpr qsizetype folderBytesPerCandidate = 256;

// Whether a rename can be made in the folder. A folder that cannot be reached at all is
// left for the move to describe.
bool canWriteIn(const QByteArray &folder)
{
    if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0)
        return true;
    return errno != EACCES && errno != EROFS && errno != EPERM;
}

// The names in a folder, read in one pass and held end to end in one buffer, so that a
// folder of many thousand names costs a few allocations, not one a name.
class FolderEntries {
public:
    // None when reading them does not pay for `wanted` lookups.
    static std::optional<FolderEntries> read(int folder, qsizetype wanted)
    {
        struct stat info;
        if (::fstat(folder, &info) != 0 || info.st_size > wanted * folderBytesPerCandidate)
            return std::nullopt;
        const int reader = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (reader < 0)
            return std::nullopt;
        DIR *dir = ::fdopendir(reader);
        if (!dir) {
            ::close(reader);
            return std::nullopt;
        }
        FolderEntries entries(wanted);
        // Added a batch at a time (see NameLookup); the names are copied out of the
        // folder's buffer, which the next read may fill again.
        std::array<char, NameLookup::batch * sizeof(dirent::d_name)> text;
        std::array<QByteArrayView, NameLookup::batch> names;
        const std::array<qsizetype, NameLookup::batch> values{};
        std::array<qsizetype, NameLookup::batch> added;
        qsizetype pending = 0;
        bool complete = true;
        for (bool more = true; more;) {
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (entry) {
                const size_t length = std::strlen(entry->d_name);
                char *const copy = text.data() + size_t(pending) * sizeof(dirent::d_name);
                std::memcpy(copy, entry->d_name, length);
                names[size_t(pending++)] = QByteArrayView(copy, qsizetype(length));
            } else {
                complete = errno == 0;
                more = false;
            }
            if (pending == NameLookup::batch || (!more && pending > 0)) {
                entries.m_names.addEach(names.data(), values.data(), pending, added.data());
                pending = 0;
            }
        }
        ::closedir(dir);
        if (!complete)
            return std::nullopt;
        return entries;
    }

    // Whether each of `count` names is there: 0 or more in `found` when it is, -1 when not.
    void findEach(const QByteArrayView *names, qsizetype count, qsizetype *found) const
    {
        m_names.findEach(names, count, found);
    }

private:
    explicit FolderEntries(qsizetype expected) : m_names(expected) {}

    NameLookup m_names;
};

// The bytes of a new name on disk, in `bytes`, which keeps its room from one name to the
// next; false when no name on disk can be it.
bool encodeInto(const QString &name, QByteArray &bytes)
{
    if (!UnicodeText::isAscii(name) || name.contains(QChar(0))) {
        const std::optional<QByteArray> encoded = LocalPath::encodeName(name);
        if (encoded)
            bytes = *encoded;
        return encoded.has_value();
    }
    bytes.resize(name.size());
    char *out = bytes.data();
    for (const QChar c : name)
        *out++ = char(c.unicode());
    return true;
}

// The candidates come from `source`: either copies of what the rows had (a check on the
// worker) or the rows themselves, which stay as they are while a check made here and now
// reads them.
template <typename Source>
std::optional<DiskChecks::Findings> check(const Source &source,
                                          const std::function<bool()> &stillWanted)
{
    using Problem = DiskChecks::Problem;
    const qsizetype count = source.size();
    std::vector<std::optional<Problem>> problems(static_cast<size_t>(count));
    // The name each candidate takes, in bytes, where something is there already.
    std::vector<std::pair<qsizetype, QByteArray>> found;
    QHash<QByteArray, bool> writable;
    QByteArray name; // of the candidate at hand
    // The candidates come folder by folder, mostly: each run of one folder is looked at with
    // the folder opened once.
    for (qsizetype begin = 0; begin < count;) {
        const QByteArray &first = source.path(begin);
        const QByteArrayView folderPart(first.constData(), LocalPath::nameStart(first));
        qsizetype end = begin + 1;
        const auto inFolder = [&folderPart](const QByteArray &path) {
            return LocalPath::nameStart(path) == folderPart.size() &&
                   QByteArrayView(path).startsWith(folderPart);
        };
        while (end < count && inFolder(source.path(end)))
            ++end;
        const QByteArray folder = LocalPath::folderOf(first);
        auto known = writable.find(folder);
        if (known == writable.end())
            known = writable.insert(folder, canWriteIn(folder));
        if (!*known) {
            for (qsizetype k = begin; k < end; ++k)
                problems[size_t(k)] = Problem::folderNotWritable;
            begin = end;
            continue;
        }
        const int opened = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        std::optional<FolderEntries> entries;
        if (opened >= 0 && end - begin >= readEntriesFrom && !source.ignoresCase(begin))
            entries = FolderEntries::read(opened, end - begin);
        // The new name of candidate k, in `name`; false when no item can be in its way.
        const auto encoded = [&](qsizetype k) {
            return encodeInto(source.newName(k), name) &&
                   QByteArrayView(name) != QByteArrayView(source.path(k)).sliced(folderPart.size());
        };
        // The folder's entries are looked up a batch of names at a time (see NameLookup).
        std::vector<char> batchText;
        std::array<qsizetype, NameLookup::batch> batchRows;
        std::array<qsizetype, NameLookup::batch> batchStarts;
        std::array<QByteArrayView, NameLookup::batch> batchNames;
        std::array<qsizetype, NameLookup::batch> batchFound;
        qsizetype lastLook = begin - checksBetweenLooks;
        for (qsizetype k = begin; k < end;) {
            if (k - lastLook >= checksBetweenLooks) {
                lastLook = k;
                if (stillWanted && !stillWanted()) {
                    if (opened >= 0)
                        ::close(opened);
                    return std::nullopt;
                }
            }
            if (entries) {
                batchText.clear();
                qsizetype size = 0;
                for (; k < end && size < NameLookup::batch; ++k) {
                    if (!encoded(k))
                        continue;
                    batchRows[size_t(size)] = k;
                    batchStarts[size_t(size++)] = qsizetype(batchText.size());
                    batchText.insert(batchText.end(), name.cbegin(), name.cend());
                }
                for (qsizetype j = 0; j < size; ++j) {
                    const qsizetype start = batchStarts[size_t(j)];
                    const qsizetype stop =
                        j + 1 < size ? batchStarts[size_t(j + 1)] : qsizetype(batchText.size());
                    batchNames[size_t(j)] = QByteArrayView(batchText.data() + start, stop - start);
                }
                entries->findEach(batchNames.data(), size, batchFound.data());
                for (qsizetype j = 0; j < size; ++j) {
                    if (batchFound[size_t(j)] >= 0)
                        found.emplace_back(batchRows[size_t(j)],
                                           batchNames[size_t(j)].toByteArray());
                }
                continue;
            }
            const qsizetype current = k++;
            if (!encoded(current))
                continue;
            struct stat info;
            const bool there =
                opened >= 0 ? ::fstatat(opened, name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0
                            : ::lstat(LocalPath::withName(source.path(current), name).constData(),
                                      &info) == 0;
            if (there)
                found.emplace_back(current, QByteArray(name.constData(), name.size()));
        }
        if (opened >= 0)
            ::close(opened);
        begin = end;
    }

    // A name already there is no obstacle when its item leaves it in the batch (as the mover
    // sees it, by exact bytes), or when it is the item itself under another spelling.
    std::vector<qsizetype> waitsFor; // made only when some name is there already
    if (!found.empty()) {
        waitsFor.assign(static_cast<size_t>(count), -1);
        // A path listed twice leaves with its last candidate.
        NameLookup leaving(count);
        for (qsizetype k = count - 1; k >= 0; --k)
            leaving.add(source.path(k), k);
        for (const auto &[k, taken] : found) {
            const QByteArray &from = source.path(k);
            const QByteArray destination = LocalPath::withName(from, taken);
            if (const qsizetype holder = leaving.find(destination); holder >= 0)
                waitsFor[size_t(k)] = holder;
            else if (!PosixFileMover::isOtherSpelling(from, destination))
                problems[size_t(k)] = Problem::taken;
        }
    }

    // A destination whose item cannot leave stays taken, and so on down a chain.
    QHash<qsizetype, std::vector<qsizetype>> waiting;
    std::vector<qsizetype> stuck;
    for (qsizetype k = 0; k < count; ++k) {
        if (!waitsFor.empty() && waitsFor[size_t(k)] >= 0)
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

    DiskChecks::Findings findings;
    for (qsizetype k = 0; k < count; ++k) {
        if (problems[size_t(k)])
            findings.push_back({source.row(k), *problems[size_t(k)]});
    }
    return findings;
}

// Copies of the candidates, made for a check on the worker.
class CandidateCopies {
public:
    explicit CandidateCopies(const std::vector<DiskChecks::Candidate> &candidates)
        : m_candidates(candidates)
    {
    }
    qsizetype size() const { return qsizetype(m_candidates.size()); }
    const QByteArray &path(qsizetype k) const { return m_candidates[size_t(k)].sourcePath; }
    const QString &newName(qsizetype k) const { return m_candidates[size_t(k)].newName; }
    bool ignoresCase(qsizetype k) const { return m_candidates[size_t(k)].folderIgnoresCase; }
    qsizetype row(qsizetype k) const { return m_candidates[size_t(k)].row; }

private:
    const std::vector<DiskChecks::Candidate> &m_candidates;
};

// Rows of the list itself, for a check made here and now.
class CandidateRows {
public:
    CandidateRows(const QList<FileItem> &files, const std::vector<qsizetype> &rows,
                  const std::function<bool(qsizetype)> &folderIgnoresCase)
        : m_files(files), m_rows(rows), m_folderIgnoresCase(folderIgnoresCase)
    {
    }
    qsizetype size() const { return qsizetype(m_rows.size()); }
    const QByteArray &path(qsizetype k) const { return m_files[row(k)].path; }
    const QString &newName(qsizetype k) const { return m_files[row(k)].newName; }
    bool ignoresCase(qsizetype k) const { return m_folderIgnoresCase(row(k)); }
    qsizetype row(qsizetype k) const { return m_rows[size_t(k)]; }

private:
    const QList<FileItem> &m_files;
    const std::vector<qsizetype> &m_rows;
    const std::function<bool(qsizetype)> &m_folderIgnoresCase;
};

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
    return check(CandidateCopies(candidates), stillWanted);
}

DiskChecks::Findings DiskChecks::run(const QList<FileItem> &files,
                                     const std::vector<qsizetype> &rows,
                                     const std::function<bool(qsizetype)> &folderIgnoresCase)
{
    return *check(CandidateRows(files, rows, folderIgnoresCase), {});
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
