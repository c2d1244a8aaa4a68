#include "disk/namelookup.h"

#include <QHashSeed>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace {

constexpr qsizetype valueSize = sizeof(quint32);
constexpr qsizetype recordHeader = valueSize + 2;
constexpr qsizetype longestName = 0xffff;
// Records begin below 4 GiB, where a slot can point at them.
constexpr qsizetype textLimit = qsizetype(0xffff0000);

quint64 mixed(quint64 value)
{
    value ^= value >> 33;
    value *= 0xff51afd7ed558ccdULL;
    value ^= value >> 33;
    value *= 0xc4ceb9fe1a85ec53ULL;
    value ^= value >> 33;
    return value;
}

// Slots for `names` names, kept at most half full so that a lookup mostly meets its name
// or an empty slot first.
size_t slotsFor(qsizetype names)
{
    return std::bit_ceil(size_t(std::max<qsizetype>(names, 8)) * 2);
}

} // namespace

NameLookup::NameLookup(qsizetype expected)
    : m_slots(slotsFor(expected)), m_mask(m_slots.size() - 1),
      m_seed(quint64(QHashSeed::globalSeed()) | 1)
{
    m_text.reserve(std::max<qsizetype>(expected, 0) * (recordHeader + 16));
}

qsizetype NameLookup::valueAt(quint32 start) const
{
    quint32 value;
    std::memcpy(&value, m_text.constData() + start, sizeof value);
    return qsizetype(value);
}

QByteArrayView NameLookup::nameAt(quint32 start) const
{
    const char *const at = m_text.constData() + start + valueSize;
    const auto length = qsizetype(quint8(at[0]) | (quint8(at[1]) << 8));
    return QByteArrayView(at + 2, length);
}

quint64 NameLookup::hashOf(QByteArrayView name) const
{
    // Names of one folder mostly differ in a few bytes anywhere in them: every byte counts,
    // and the process's seed keeps names chosen to collide from slowing a lookup down.
    const char *bytes = name.data();
    size_t left = size_t(name.size());
    quint64 hash = m_seed ^ (left * 0x9E3779B97F4A7C15ULL);
    for (; left >= 8; left -= 8, bytes += 8) {
        quint64 word;
        std::memcpy(&word, bytes, 8);
        hash = std::rotl((hash ^ word) * 0x9E3779B97F4A7C15ULL, 29);
    }
    if (left > 0) {
        quint64 word = 0;
        std::memcpy(&word, bytes, left);
        hash = std::rotl((hash ^ word) * 0x9E3779B97F4A7C15ULL, 29);
    }
    return mixed(hash);
}

void NameLookup::fetch(quint64 hash) const
{
    __builtin_prefetch(&m_slots[size_t(hash) & m_mask]);
}

qsizetype NameLookup::add(QByteArrayView name, qsizetype value)
{
    return addHashed(name, hashOf(name), value);
}

qsizetype NameLookup::find(QByteArrayView name) const
{
    return findHashed(name, hashOf(name));
}

qsizetype NameLookup::addHashed(QByteArrayView name, quint64 hash, qsizetype value)
{
    if (name.size() > longestName || m_text.size() > textLimit - recordHeader - longestName ||
        value < 0 || value > qsizetype(0xffffffff))
        return -1;
    if (size_t(m_count) * 2 >= m_slots.size()) {
        grow();
        fetch(hash);
    }
    Slot &at = m_slots[slotOf(name, hash)];
    if (at.start != 0)
        return valueAt(at.start - 1);
    const auto start = quint32(m_text.size());
    const auto stored = quint32(value);
    m_text.append(reinterpret_cast<const char *>(&stored), sizeof stored);
    m_text += char(name.size() & 0xff);
    m_text += char(name.size() >> 8);
    m_text += name;
    at = {quint32(hash >> 32), start + 1};
    ++m_count;
    return value;
}

qsizetype NameLookup::findHashed(QByteArrayView name, quint64 hash) const
{
    const Slot &at = m_slots[slotOf(name, hash)];
    return at.start == 0 ? -1 : valueAt(at.start - 1);
}

size_t NameLookup::slotOf(QByteArrayView name, quint64 hash) const
{
    const auto tag = quint32(hash >> 32);
    for (size_t slot = size_t(hash) & m_mask;; slot = (slot + 1) & m_mask) {
        const Slot &at = m_slots[slot];
        if (at.start == 0 || (at.hash == tag && nameAt(at.start - 1) == name))
            return slot;
    }
}

void NameLookup::hashEach(const QByteArrayView *names, qsizetype size, quint64 *hashes) const
{
    for (qsizetype j = 0; j < size; ++j) {
        hashes[j] = hashOf(names[j]);
        fetch(hashes[j]);
    }
}

void NameLookup::addEach(const QByteArrayView *names, const qsizetype *values, qsizetype count,
                         qsizetype *found)
{
    std::array<quint64, batch> hashes;
    for (qsizetype first = 0; first < count; first += batch) {
        const qsizetype size = std::min(batch, count - first);
        hashEach(names + first, size, hashes.data());
        for (qsizetype j = 0; j < size; ++j)
            found[first + j] = addHashed(names[first + j], hashes[size_t(j)], values[first + j]);
    }
}

void NameLookup::findEach(const QByteArrayView *names, qsizetype count, qsizetype *found) const
{
    std::array<quint64, batch> hashes;
    for (qsizetype first = 0; first < count; first += batch) {
        const qsizetype size = std::min(batch, count - first);
        hashEach(names + first, size, hashes.data());
        // The record each first slot leads to, mostly the name's own.
        for (qsizetype j = 0; j < size; ++j) {
            const Slot &at = m_slots[size_t(hashes[size_t(j)]) & m_mask];
            if (at.start != 0)
                __builtin_prefetch(m_text.constData() + at.start - 1);
        }
        for (qsizetype j = 0; j < size; ++j)
            found[first + j] = findHashed(names[first + j], hashes[size_t(j)]);
    }
}

void NameLookup::grow()
{
    std::vector<Slot> slots(m_slots.size() * 2);
    const size_t mask = slots.size() - 1;
    for (const Slot &old : m_slots) {
        if (old.start == 0)
            continue;
        size_t slot = size_t(hashOf(nameAt(old.start - 1))) & mask;
        while (slots[slot].start != 0)
            slot = (slot + 1) & mask;
        slots[slot] = old;
    }
    m_slots = std::move(slots);
    m_mask = mask;
}
