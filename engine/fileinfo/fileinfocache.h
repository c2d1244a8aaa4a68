#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"

#include <QHash>

#include <optional>

// What files said of themselves, kept by which file they were and as they were then: a
// file found with another size or modification time is not found here.
class FileInfoCache {
public:
    std::optional<FileInfo> find(quint64 device, quint64 inode, qint64 size,
                                 qint64 modifiedNanoseconds) const;
    void insert(const FileInfo &info);
    void clear();
    qsizetype count() const;
    // Bytes the cache holds, its tables and texts included.
    size_t memoryUsed() const;

private:
    struct Key {
        quint64 device;
        quint64 inode;
        bool operator==(const Key &) const = default;
    };
    friend size_t qHash(const Key &key, size_t seed)
    {
        return qHashMulti(seed, key.device, key.inode);
    }
    QHash<Key, FileInfo> m_entries;
};
