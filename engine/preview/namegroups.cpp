#include "preview/namegroups.h"

#include <QHashFunctions>

NameGroups::NameGroups(qsizetype expectedNames, Texts texts) : m_texts(texts)
{
    size_t capacity = 16;
    while (capacity < size_t(expectedNames) * 2)
        capacity *= 2;
    m_slots.resize(capacity);
    m_groups.reserve(size_t(expectedNames));
}

quint32 NameGroups::hashOf(const QString &name)
{
    return quint32(qHash(name, QHashSeed::globalSeed()));
}

std::vector<NameGroups> NameGroups::inShares(qsizetype expectedNames, qsizetype shares, Texts texts)
{
    std::vector<NameGroups> tables;
    tables.reserve(size_t(shares));
    for (qsizetype share = 0; share < shares; ++share)
        tables.emplace_back(expectedNames / shares + 1, texts);
    return tables;
}

qsizetype NameGroups::add(const QString &name, quint32 hash, qint32 folder)
{
    const size_t slot = find(name, hash, folder);
    if (m_slots[slot].group >= 0 || m_texts == Texts::viewed) {
        const qsizetype group = joinOrMake(slot, name, hash, folder);
#ifndef QT_NO_DEBUG
        if (m_texts == Texts::viewed && m_groups[size_t(group)].size == 1)
            m_groups[size_t(group)].holder = &name;
#endif
        return group;
    }
    // The copy shares the text, which stays where it is while the copy holds it.
    m_copies.push_back(name);
    return joinOrMake(slot, m_copies.back(), hash, folder);
}

size_t NameGroups::find(QStringView name, quint32 hash, qint32 folder)
{
    if (m_groups.size() * 2 >= m_slots.size()) {
        // More names than announced: double the table.
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot &slot : old) {
            if (slot.group < 0)
                continue;
            size_t at = slot.hash & mask;
            while (m_slots[at].group >= 0)
                at = (at + 1) & mask;
            m_slots[at] = slot;
        }
    }
    const size_t mask = m_slots.size() - 1;
    size_t at = hash & mask;
    while (m_slots[at].group >= 0) {
        const Slot &slot = m_slots[at];
        if (slot.hash == hash) {
            const Group &group = m_groups[size_t(slot.group)];
#ifndef QT_NO_DEBUG
            // A viewed name whose holder wrote to it, or let it go, would be read here.
            Q_ASSERT(!group.holder || group.holder->constData() == group.name.data());
#endif
            if (group.folder == folder && group.name == name)
                return at;
        }
        at = (at + 1) & mask;
    }
    return at;
}

qsizetype NameGroups::joinOrMake(size_t slot, QStringView name, quint32 hash, qint32 folder)
{
    if (m_slots[slot].group >= 0) {
        ++m_groups[size_t(m_slots[slot].group)].size;
        return m_slots[slot].group;
    }
    const auto group = qint32(m_groups.size());
    m_groups.push_back({name, folder, 1});
    m_slots[slot] = {hash, group};
    return group;
}
