#include "fileinfo/fileinfocache.h"

std::optional<FileInfo> FileInfoCache::find(quint64 device, quint64 inode, qint64 size,
                                            qint64 modifiedNanoseconds) const
{
    const auto it = m_entries.constFind(Key{device, inode});
    if (it == m_entries.cend() || it->size != size ||
        it->modifiedNanoseconds != modifiedNanoseconds)
        return std::nullopt;
    return *it;
}

void FileInfoCache::insert(const FileInfo &info)
{
    m_entries.insert(Key{info.device, info.inode}, info);
}

void FileInfoCache::clear()
{
    m_entries.clear();
}

qsizetype FileInfoCache::count() const
{
    return m_entries.size();
}

size_t FileInfoCache::memoryUsed() const
{
    return size_t(m_entries.size()) * (sizeof(Key) + sizeof(FileInfo));
}
