#include "preview/diskcheckscheduler.h"

DiskCheckScheduler::DiskCheckScheduler(QList<FileItem> &files, const ListedFolders &folders,
                                       std::function<bool()> busy, QObject *parent)
    : QObject(parent), m_files(files), m_folders(folders), m_busy(std::move(busy)),
      m_checks(std::make_unique<DiskChecks>())
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DiskCheckScheduler::start);
}

DiskCheckScheduler::~DiskCheckScheduler() = default;

void DiskCheckScheduler::setInBackground(bool inBackground)
{
    m_inBackground = inBackground;
    if (!inBackground)
        drop();
}

qsizetype DiskCheckScheduler::previewed()
{
    // A row the disk found a problem with keeps it while its new name stays the same and
    // nothing else is wrong with it; the next check says whether it still holds.
    m_kept.removeIf([this](QHash<qsizetype, KeptFinding>::iterator it) {
        const FileItem &item = m_files.at(it.key());
        return item.status != RenameStatus::pending || item.newName != it->newName;
    });
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it) {
        FileItem &item = m_files[it.key()];
        item.status = RenameStatus::error;
        item.errorMessage = DiskChecks::message(it->problem);
    }
    if (m_inBackground)
        m_timer.start();
    return m_kept.size();
}

bool DiskCheckScheduler::wouldMove(qsizetype row) const
{
    // Pending, or held back only by what the disk said before.
    const FileItem &item = m_files.at(row);
    return (item.status == RenameStatus::pending ||
            (item.status == RenameStatus::error && m_kept.contains(row))) &&
           !item.path.isEmpty() && item.newName != item.originalName;
}

std::vector<DiskChecks::Candidate> DiskCheckScheduler::candidates() const
{
    // Counted first: a long list makes the vector in one piece, not twice its size.
    qsizetype count = 0;
    for (qsizetype i = 0; i < m_files.size(); ++i)
        count += wouldMove(i) ? 1 : 0;
    std::vector<DiskChecks::Candidate> candidates;
    candidates.reserve(size_t(count));
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (wouldMove(i))
            candidates.push_back({i, m_files.at(i).path, m_files.at(i).newName,
                                  m_folders.ignoresCase(m_folders.folderOf(i))});
    }
    return candidates;
}

void DiskCheckScheduler::start()
{
    if (m_busy() || m_files.isEmpty())
        return;
    const quint64 request = m_request;
    m_checks->start(candidates(), [this, request](const DiskChecks::Findings &found) {
        if (request == m_request && !m_busy())
            takeIn(found);
    });
}

void DiskCheckScheduler::checkNow()
{
    drop();
    if (m_busy())
        return;
    // Nothing changes the rows until the check returns: it reads them where they are, rather
    // than a copy of each that a long list would notice in its memory.
    std::vector<qsizetype> rows;
    for (qsizetype i = 0; i < m_files.size(); ++i) {
        if (wouldMove(i))
            rows.push_back(i);
    }
    takeIn(DiskChecks::run(m_files, rows, [this](qsizetype row) {
        return m_folders.ignoresCase(m_folders.folderOf(row));
    }));
}

void DiskCheckScheduler::drop()
{
    ++m_request;
    m_timer.stop();
    m_checks->cancel();
}

void DiskCheckScheduler::takeIn(const DiskChecks::Findings &findings)
{
    // The rows that changed lie from `first` to `last`.
    qsizetype first = m_files.size();
    qsizetype last = -1;
    const auto changed = [&](qsizetype row) {
        first = qMin(first, row);
        last = qMax(last, row);
    };
    // What the disk said before is replaced by what it says now.
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it) {
        if (it.key() >= m_files.size())
            continue;
        FileItem &item = m_files[it.key()];
        if (item.status != RenameStatus::error || item.newName != it->newName)
            continue;
        item.status = RenameStatus::pending;
        item.errorMessage.reset();
        changed(it.key());
    }
    m_kept.clear();
    for (const DiskChecks::Finding &finding : findings) {
        FileItem &item = m_files[finding.row];
        item.status = RenameStatus::error;
        item.errorMessage = DiskChecks::message(finding.problem);
        m_kept.insert(finding.row, {item.newName, finding.problem});
        changed(finding.row);
    }
    if (last >= 0)
        Q_EMIT statusesChanged(first, last);
}

void DiskCheckScheduler::reorder(const std::vector<qsizetype> &order)
{
    drop();
    if (m_kept.isEmpty())
        return;
    std::vector<qsizetype> newRowOf(order.size(), -1);
    for (size_t row = 0; row < order.size(); ++row) {
        if (size_t(order[row]) < newRowOf.size())
            newRowOf[size_t(order[row])] = qsizetype(row);
    }
    QHash<qsizetype, KeptFinding> kept;
    kept.reserve(m_kept.size());
    for (auto it = m_kept.cbegin(); it != m_kept.cend(); ++it) {
        if (it.key() >= 0 && size_t(it.key()) < newRowOf.size() && newRowOf[size_t(it.key())] >= 0)
            kept.insert(newRowOf[size_t(it.key())], it.value());
    }
    m_kept = std::move(kept);
}
