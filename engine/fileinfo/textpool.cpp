#include "fileinfo/textpool.h"

#include "fileinfo/compactbytes.h"

#include <QHash>

quint32 TextPool::add(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    if (qsizetype(m_slots.size()) * 3 <= (m_count + 1) * 4)
        grow();
    const size_t mask = m_slots.size() - 1;
    for (size_t slot = qHash(QByteArrayView(utf8)) & mask;; slot = (slot + 1) & mask) {
        if (m_slots[slot] == 0) {
            const auto id = quint32(m_offsets.size());
            CompactBytes::reserveFor(m_offsets, m_offsets.size() + 1);
            m_offsets.push_back(quint32(m_bytes.size()));
            CompactBytes::appendNumber(m_bytes, quint64(utf8.size()));
            CompactBytes::reserveFor(m_bytes, m_bytes.size() + size_t(utf8.size()));
            m_bytes.insert(m_bytes.end(), utf8.cbegin(), utf8.cend());
            m_slots[slot] = id + 1;
            ++m_count;
            return id;
        }
        if (bytesOf(m_slots[slot] - 1) == QByteArrayView(utf8))
            return m_slots[slot] - 1;
    }
}

QString TextPool::text(quint32 id) const
{
    return QString::fromUtf8(bytesOf(id));
}

QByteArrayView TextPool::bytesOf(quint32 id) const
{
    const char *at = m_bytes.data() + m_offsets[id];
    const auto length = qsizetype(CompactBytes::takeNumber(at));
    return QByteArrayView(at, length);
}

void TextPool::grow()
{
    std::vector<quint32> slots(std::max<size_t>(m_slots.size() * 2, 64), 0);
    const size_t mask = slots.size() - 1;
    for (const quint32 entry : m_slots) {
        if (entry == 0)
            continue;
        size_t slot = qHash(bytesOf(entry - 1)) & mask;
        while (slots[slot] != 0)
            slot = (slot + 1) & mask;
        slots[slot] = entry;
    }
    m_slots.swap(slots);
}

void TextPool::clear()
{
    m_bytes = {};
    m_slots = {};
    m_offsets = {};
    m_count = 0;
}

size_t TextPool::memoryUsed() const
{
    return m_bytes.capacity() + (m_slots.capacity() + m_offsets.capacity()) * sizeof(quint32);
}
