#pragma once

// Internal to the engine: not part of its interface.

#include <QString>

#include <vector>

// Sorts names into groups of equal names in the same folder, for finding duplicates among
// many thousands of files on every preview. Names are compared as given; callers pass
// canonical keys, and fold the folder into the hash (see NameJudge). An open-addressing
// table of hashes touches a name's text only when two hashes agree.
class NameGroups {
public:
    // Where a new group reads its name from. `viewed`: where the caller holds it, so the
    // caller keeps that text as it is, at the same place, while the table lives (a million
    // names are then grouped without a write to any); debug builds check that it did.
    // `copied`: a copy of its own, for names that change or go before the table does.
    enum class Texts : quint8 { viewed, copied };

    NameGroups(qsizetype expectedNames, Texts texts);

    // The hash `add` files a name under; worth computing ahead, on other threads.
    static quint32 hashOf(const QString &name);
    // Which of `shares` tables holds the names with this hash. Equal names have equal
    // hashes, so a list's names can be grouped in shares, one core to a share.
    static qsizetype shareOf(quint32 hash, qsizetype shares)
    {
        return qsizetype((quint64(hash) * quint64(shares)) >> 32);
    }
    // Empty tables for `expectedNames` names in `shares` shares, one for each share.
    static std::vector<NameGroups> inShares(qsizetype expectedNames, qsizetype shares, Texts texts);

    // The group of `name` in `folder`, made when the pair is new; groups are numbered from
    // 0. The table's `Texts` say whether a new group holds `name` itself or a copy.
    qsizetype add(const QString &name, quint32 hash, qint32 folder);
    // Asks the processor to fetch the table's slot for a name to be added soon: with many
    // thousands of names the table is larger than the cache, and reading it is most of the
    // time `add` takes.
    void prefetch(quint32 hash) const { __builtin_prefetch(&m_slots[hash & (m_slots.size() - 1)]); }
    qsizetype groupSize(qsizetype group) const { return m_groups[size_t(group)].size; }
    void prefetchGroup(qsizetype group) const { __builtin_prefetch(&m_groups[size_t(group)]); }
    // One name of the group is gone. A group left empty keeps its place and its name, so
    // that the name coming back, as it does when a user types and deletes a character,
    // finds its group again.
    void leave(qsizetype group) { --m_groups[size_t(group)].size; }
    qsizetype groupCount() const { return qsizetype(m_groups.size()); }

private:
    // Small, so that the table of a large list stays in the processor's cache.
    struct Slot {
        quint32 hash = 0;
        qint32 group = -1;
    };
    struct Group {
        QStringView name;
        qint32 folder = 0;
        qint32 size = 0;
#ifndef QT_NO_DEBUG
        const QString *holder = nullptr; // where a viewed name lies, to check it stayed
#endif
    };

    // The slot that holds `name` in `folder`, or the empty one where it belongs.
    size_t find(QStringView name, quint32 hash, qint32 folder);
    qsizetype joinOrMake(size_t slot, QStringView name, quint32 hash, qint32 folder);

    std::vector<Slot> m_slots; // a power of two, never more than half full
    std::vector<Group> m_groups;
    std::vector<QString> m_copies; // the names groups read from, when they are copied
    Texts m_texts;
};
