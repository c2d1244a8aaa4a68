#include "fileinfo/fileinfocache.h"

#include "fileinfo/compactbytes.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <limits>

using CompactBytes::appendNumber;
using CompactBytes::reserveFor;
using CompactBytes::takeNumber;

// An entry: the device's number in m_devices, the inode and the size as varints, the
// modification time in 8 bytes, then which details follow (the bits below) and each of
// them in that order.

namespace {

constexpr quint64 hasDate = 1 << 0;
constexpr quint64 hasSize = 1 << 1;
constexpr quint64 hasCamera = 1 << 2;
constexpr quint64 hasArtist = 1 << 3;
constexpr quint64 hasAlbum = 1 << 4;
constexpr quint64 hasTitle = 1 << 5;
constexpr quint64 hasTrack = 1 << 6;
constexpr quint64 hasYear = 1 << 7;
constexpr quint64 hasProblem = 1 << 8;

// Years near 2000 take one byte.
constexpr qint64 yearBase = 2000;

quint64 zigzag(qint64 value)
{
    return (quint64(value) << 1) ^ quint64(value >> 63);
}

qint64 unzigzag(quint64 value)
{
    return qint64(value >> 1) ^ -qint64(value & 1);
}

void appendText(std::vector<char> &bytes, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    appendNumber(bytes, quint64(utf8.size()));
    reserveFor(bytes, bytes.size() + size_t(utf8.size()));
    bytes.insert(bytes.end(), utf8.cbegin(), utf8.cend());
}

} // namespace

std::optional<quint64> FileInfoCache::deviceNumber(quint64 device) const
{
    const auto it = std::find(m_devices.cbegin(), m_devices.cend(), device);
    if (it == m_devices.cend())
        return std::nullopt;
    return quint64(it - m_devices.cbegin());
}

size_t FileInfoCache::slotOf(quint64 deviceNumber, quint64 inode) const
{
    // Any number of slots: the hash scaled to their count, not masked.
    const auto hash = quint32(qHashMulti(0, deviceNumber, inode));
    for (size_t slot = size_t((quint64(hash) * m_slots.size()) >> 32);;
         slot = slot + 1 == m_slots.size() ? 0 : slot + 1) {
        const quint32 entry = m_slots[slot];
        if (entry == 0)
            return slot;
        const char *at = m_entries.data() + entry - 1;
        if (takeNumber(at) == deviceNumber && takeNumber(at) == inode)
            return slot;
    }
}

std::optional<FileInfo> FileInfoCache::find(quint64 device, quint64 inode, qint64 size,
                                            qint64 modifiedNanoseconds) const
{
    const std::optional<quint64> number = deviceNumber(device);
    if (!number || m_slots.empty())
        return std::nullopt;
    const quint32 entry = m_slots[slotOf(*number, inode)];
    if (entry == 0)
        return std::nullopt;
    FileInfo info;
    unpack(m_entries.data() + entry - 1, info);
    if (info.size != size || info.modifiedNanoseconds != modifiedNanoseconds)
        return std::nullopt;
    return info;
}

void FileInfoCache::insert(const FileInfo &info)
{
    // A file that was never found has no identity to be found by again. Past 4 GB of
    // entries, files are read again each time rather than kept.
    if ((info.device == 0 && info.inode == 0) ||
        m_entries.size() >= std::numeric_limits<quint32>::max() - 65536)
        return;
    std::optional<quint64> number = deviceNumber(info.device);
    if (!number) {
        number = m_devices.size();
        m_devices.push_back(info.device);
    }
    if (m_slots.size() * 7 <= size_t(m_count + 1) * 8)
        growSlots();

    const size_t slot = slotOf(*number, info.inode);
    const auto offset = quint32(m_entries.size());
    append(*number, info);
    if (m_slots[slot] != 0) {
        FileInfo replaced;
        const char *start = m_entries.data() + m_slots[slot] - 1;
        m_unused += size_t(unpack(start, replaced) - start);
        m_slots[slot] = offset + 1;
        if (m_unused > m_entries.size() / 2 + 4096)
            dropUnusedEntries();
        return;
    }
    m_slots[slot] = offset + 1;
    ++m_count;
}

void FileInfoCache::append(quint64 deviceNumber, const FileInfo &info)
{
    const quint64 none = 0;
    const quint64 details =
        (info.dateTaken ? hasDate : none) | (info.width > 0 && info.height > 0 ? hasSize : none) |
        (info.cameraModel.isEmpty() ? none : hasCamera) |
        (info.artist.isEmpty() ? none : hasArtist) | (info.album.isEmpty() ? none : hasAlbum) |
        (info.title.isEmpty() ? none : hasTitle) | (info.trackNumber > 0 ? hasTrack : none) |
        (info.year > 0 ? hasYear : none) | (info.problem.isEmpty() ? none : hasProblem);

    std::vector<char> &bytes = m_entries;
    appendNumber(bytes, deviceNumber);
    appendNumber(bytes, info.inode);
    appendNumber(bytes, zigzag(info.size));
    char modified[sizeof info.modifiedNanoseconds];
    std::memcpy(modified, &info.modifiedNanoseconds, sizeof modified);
    reserveFor(bytes, bytes.size() + sizeof modified);
    bytes.insert(bytes.end(), std::begin(modified), std::end(modified));
    appendNumber(bytes, details);
    if (info.dateTaken)
        appendNumber(bytes, zigzag(*info.dateTaken));
    if (details & hasSize) {
        appendNumber(bytes, quint64(info.width));
        appendNumber(bytes, quint64(info.height));
    }
    if (details & hasCamera)
        appendNumber(bytes, m_texts.add(info.cameraModel));
    if (details & hasArtist)
        appendNumber(bytes, m_texts.add(info.artist));
    if (details & hasAlbum)
        appendNumber(bytes, m_texts.add(info.album));
    if (details & hasTitle)
        appendText(bytes, info.title); // titles seldom repeat: kept here, not in the pool
    if (details & hasTrack)
        appendNumber(bytes, quint64(info.trackNumber));
    if (details & hasYear)
        appendNumber(bytes, zigzag(info.year - yearBase));
    if (details & hasProblem)
        appendNumber(bytes, m_texts.add(info.problem));
}

const char *FileInfoCache::unpack(const char *at, FileInfo &info) const
{
    info.device = m_devices[takeNumber(at)];
    info.inode = takeNumber(at);
    info.size = unzigzag(takeNumber(at));
    std::memcpy(&info.modifiedNanoseconds, at, sizeof info.modifiedNanoseconds);
    at += sizeof info.modifiedNanoseconds;
    const quint64 details = takeNumber(at);
    if (details & hasDate)
        info.dateTaken = unzigzag(takeNumber(at));
    if (details & hasSize) {
        info.width = int(takeNumber(at));
        info.height = int(takeNumber(at));
    }
    if (details & hasCamera)
        info.cameraModel = m_texts.text(quint32(takeNumber(at)));
    if (details & hasArtist)
        info.artist = m_texts.text(quint32(takeNumber(at)));
    if (details & hasAlbum)
        info.album = m_texts.text(quint32(takeNumber(at)));
    if (details & hasTitle) {
        const auto length = qsizetype(takeNumber(at));
        info.title = QString::fromUtf8(at, length);
        at += length;
    }
    if (details & hasTrack)
        info.trackNumber = int(takeNumber(at));
    if (details & hasYear)
        info.year = int(unzigzag(takeNumber(at)) + yearBase);
    if (details & hasProblem)
        info.problem = m_texts.text(quint32(takeNumber(at)));
    return at;
}

void FileInfoCache::growSlots()
{
    // Half as many again: the table stays between 7/12 and 7/8 full.
    std::vector<quint32> slots(std::max<size_t>(m_slots.size() * 3 / 2, 64), 0);
    m_slots.swap(slots);
    for (const quint32 entry : slots) {
        if (entry == 0)
            continue;
        const char *at = m_entries.data() + entry - 1;
        const quint64 number = takeNumber(at);
        m_slots[slotOf(number, takeNumber(at))] = entry;
    }
}

// Entries of files read again since are left where they were; once they are half of all,
// the entries are laid out anew.
void FileInfoCache::dropUnusedEntries()
{
    const std::vector<char> old = std::move(m_entries);
    m_entries = {};
    for (quint32 &entry : m_slots) {
        if (entry == 0)
            continue;
        const char *at = old.data() + entry - 1;
        const quint64 number = takeNumber(at);
        FileInfo info;
        unpack(old.data() + entry - 1, info);
        entry = quint32(m_entries.size()) + 1;
        append(number, info);
    }
    m_unused = 0;
}

void FileInfoCache::clear()
{
    m_entries = {};
    m_slots = {};
    m_devices = {};
    m_count = 0;
    m_unused = 0;
    m_texts.clear();
}

qsizetype FileInfoCache::count() const
{
    return m_count;
}

size_t FileInfoCache::memoryUsed() const
{
    return sizeof(*this) + m_entries.capacity() + m_slots.capacity() * sizeof(quint32) +
           m_devices.capacity() * sizeof(quint64) + m_texts.memoryUsed();
}
