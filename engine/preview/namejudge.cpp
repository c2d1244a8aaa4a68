#include "preview/namejudge.h"

#include "preview/parallelranges.h"

#include <iterator>
#include <utility>

using NameValidation::Verdict;

NameJudge::NameJudge(NameGroups::Texts texts, const Tuning &tuning)
    : m_tuning(tuning), m_texts(texts)
{
}

void NameJudge::reset(qsizetype count)
{
    m_groups = NameGroups::inShares(count, piecesFor(count), m_texts);
    m_group.assign(size_t(count), -1);
    m_share.assign(size_t(count), 0);
    m_verdicts.assign(size_t(count), Verdict::grouped);
    m_anyGrouped = false;
}

qsizetype NameJudge::groupCount() const
{
    qsizetype groups = 0;
    for (const NameGroups &share : m_groups)
        groups += share.groupCount();
    return groups;
}

qsizetype NameJudge::piecesFor(qsizetype count) const
{
    return ParallelRanges::pieceCount(count, m_tuning.judgePiece, m_tuning.threads);
}

NameJudge::Counts NameJudge::judge(QList<FileItem> &files, ChangedNames changes)
{
    Q_ASSERT(files.size() == rowCount());
    const qsizetype count = files.size();
    const qsizetype entries = changes.size();
    FileItem *const items = ParallelRanges::itemsToWrite(files);
    const ListedFolders &folders = *changes.m_folders;
    const std::vector<quint32> &hashes = changes.m_hashes;
    const std::vector<Verdict> &verdicts = changes.m_verdicts;
    using EntryKey = std::pair<qsizetype, QString>;
    std::vector<EntryKey> canonical; // in the list's order, as the pieces are
    for (std::vector<EntryKey> &piece : changes.m_keysOfPiece)
        std::move(piece.begin(), piece.end(), std::back_inserter(canonical));

    // Each changed name leaves its old group for its new one. Equal names have equal
    // hashes, so the hashes share the names out among the threads, each working through
    // its share of the groups in the list's order. While rows are in groups, their old
    // groups are read meanwhile: the group a name joins is written to its entry, and to its
    // row once every share is done. While none is, each row is written by the one share
    // that groups it, at once.
    const auto shares = qsizetype(m_groups.size());
    const bool noneGrouped = !m_anyGrouped;
    std::vector<qint32> joined(noneGrouped ? 0 : size_t(entries), -1);
    ParallelRanges::run(
        m_tuning.threads, shares, 1, [&](qsizetype, qsizetype first, qsizetype last) {
            for (qsizetype share = first; share < last; ++share) {
                NameGroups &groups = m_groups[size_t(share)];
                const auto mine = [&](qsizetype k) {
                    return verdicts[size_t(k)] == Verdict::grouped &&
                           NameGroups::shareOf(hashes[size_t(k)], shares) == share;
                };
                size_t key = 0; // the first entry of `canonical` not behind the entry
                ParallelRanges::forEachFetchingAhead(
                    0, entries, m_tuning.lookAhead,
                    [&](qsizetype ahead) {
                        if (mine(ahead))
                            groups.prefetch(hashes[size_t(ahead)]);
                    },
                    [&](qsizetype k) {
                        const auto row = size_t(changes.rowOf(k));
                        if (!noneGrouped && m_group[row] >= 0 && m_share[row] == share)
                            groups.leave(m_group[row]);
                        if (!mine(k))
                            return;
                        while (key < canonical.size() && canonical[key].first < k)
                            ++key;
                        const bool keyed = key < canonical.size() && canonical[key].first == k;
                        const auto group =
                            qint32(groups.add(keyed ? canonical[key].second : items[row].newName,
                                              hashes[size_t(k)], folders.folderOf(qsizetype(row))));
                        if (noneGrouped) {
                            m_group[row] = group;
                            m_share[row] = quint16(share);
                        } else {
                            joined[size_t(k)] = group;
                        }
                    });
            }
        });
    if (noneGrouped && entries == count) {
        m_verdicts.swap(changes.m_verdicts); // every row's, in its order
    } else {
        ParallelRanges::run(m_tuning.threads, entries, m_tuning.judgePiece,
                            [&](qsizetype, qsizetype begin, qsizetype end) {
                                for (qsizetype k = begin; k < end; ++k) {
                                    const auto row = size_t(changes.rowOf(k));
                                    m_verdicts[row] = verdicts[size_t(k)];
                                    if (noneGrouped)
                                        continue;
                                    m_group[row] = joined[size_t(k)];
                                    m_share[row] =
                                        quint16(NameGroups::shareOf(hashes[size_t(k)], shares));
                                }
                            });
    }
    m_anyGrouped = m_anyGrouped || entries > 0;

    // Every row gets its status again: an unchanged name may have gained or lost its equals.
    const NameValidation::Messages texts = NameValidation::messages();
    std::vector<Counts> counts(
        size_t(ParallelRanges::pieceCount(count, m_tuning.judgePiece, m_tuning.threads)));
    ParallelRanges::run(
        m_tuning.threads, count, m_tuning.judgePiece,
        [&](qsizetype piece, qsizetype begin, qsizetype end) {
            ParallelRanges::forEachFetchingAhead(
                begin, end, m_tuning.lookAhead,
                [&](qsizetype ahead) {
                    if (m_group[size_t(ahead)] >= 0)
                        m_groups[m_share[size_t(ahead)]].prefetchGroup(m_group[size_t(ahead)]);
                },
                [&](qsizetype i) {
                    setStatus(items[i], i, texts, changes.m_flags, counts[size_t(piece)]);
                });
        });
    // Groups that view the names would read them where they may no longer be.
    if (m_texts == NameGroups::Texts::viewed)
        m_groups.clear();
    Counts sum;
    for (const Counts &piece : counts) {
        sum.conflicts += piece.conflicts;
        sum.errors += piece.errors;
    }
    return sum;
}

void NameJudge::setStatus(FileItem &item, qsizetype row, const NameValidation::Messages &messages,
                          const std::vector<OptionalText> *flags, Counts &counts) const
{
    // Only what changes is written: an unchanged row is left as it is in memory, so that
    // it need not be written back.
    const auto set = [&item](RenameStatus status, const OptionalText &message) {
        if (item.status != status)
            item.status = status;
        item.errorMessage = message; // nothing is written when it is the same message
    };
    const auto error = [&](const OptionalText &message) {
        set(RenameStatus::error, message);
        ++counts.errors;
    };
    switch (m_verdicts[size_t(row)]) {
    case Verdict::invalidCharacters:
        return error(messages.invalidCharacters);
    case Verdict::emptyName:
        return error(messages.emptyName);
    case Verdict::dotName:
        return error(messages.dotName);
    case Verdict::tooLong:
        return error(messages.tooLong);
    case Verdict::flagged:
        return error(flags ? (*flags)[size_t(row)] : OptionalText());
    case Verdict::grouped:
        break;
    }
    const qint32 group = m_group[size_t(row)];
    if (group >= 0 && m_groups[m_share[size_t(row)]].groupSize(group) > 1) {
        set(RenameStatus::conflict, messages.duplicate);
        ++counts.conflicts;
    } else {
        set(RenameStatus::pending, OptionalText());
    }
}

NameJudge::Counts NameJudge::judgeAll(QList<FileItem> &files, const ListedFolders &folders,
                                      const Tuning &tuning, const std::vector<OptionalText> *flags)
{
    NameJudge judge(NameGroups::Texts::viewed, tuning);
    const qsizetype count = files.size();
    judge.reset(count);
    const qsizetype pieces = ParallelRanges::pieceCount(count, tuning.judgePiece, tuning.threads);
    ChangedNames changes(count, pieces, folders);
    changes.setFlags(flags);
    const FileItem *const items = files.constData();
    ParallelRanges::run(
        tuning.threads, count, tuning.judgePiece,
        [&](qsizetype piece, qsizetype begin, qsizetype end) {
            ParallelRanges::forEachFetchingAhead(
                begin, end, tuning.lookAhead,
                [&](qsizetype ahead) { __builtin_prefetch(items[ahead].newName.constData()); },
                [&](qsizetype i) { changes.add(piece, i, items[i].newName); });
        });
    return judge.judge(files, std::move(changes));
}

NameJudge::Counts NameJudge::judgeAll(QList<FileItem> &files)
{
    return judgeAll(files, ListedFolders(files));
}

void NameJudge::reorder(const std::vector<qsizetype> &order)
{
    if (qsizetype(order.size()) != rowCount())
        return;
    const auto permute = [&order](auto &values) {
        std::remove_reference_t<decltype(values)> reordered(values.size());
        for (size_t row = 0; row < order.size(); ++row)
            reordered[row] = values[size_t(order[row])];
        values.swap(reordered);
    };
    if (!m_group.empty())
        permute(m_group);
    if (!m_share.empty())
        permute(m_share);
    permute(m_verdicts);
}
