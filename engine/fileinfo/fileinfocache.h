#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "fileinfo/textpool.h"

#include <optional>
#include <vector>

// What files said of themselves, kept by which file they were (device and inode) and as
// they were then: a file found with another size or modification time is not found here.
//
// Kept small, as it holds an entry for each of possibly hundreds of thousands of files: the
// entries lie one after another in one block, each number in as few bytes as it needs, each
// distinct text (a camera model, an artist, an album, a problem) once in a pool; an
// open-addressing table of offsets finds them. Used from one thread at a time: it has no
// lock of its own.
class FileInfoCache {
public:
    std::optional<FileInfo> find(quint64 device, quint64 inode, qint64 size,
                                 qint64 modifiedNanoseconds) const;
    // Keeps the file's information in place of what was kept for it; one without an
    // identity (a file that was not there) is not kept.
    void insert(const FileInfo &info);
    void clear();
    qsizetype count() const;
    // Bytes the cache holds, its tables and texts included.
    size_t memoryUsed() const;

private:
    // The slot of the file's entry, or of the free slot where it would go.
    size_t slotOf(quint64 deviceNumber, quint64 inode) const;
    std::optional<quint64> deviceNumber(quint64 device) const;
    void append(quint64 deviceNumber, const FileInfo &info);
    // Reads the entry at `at` into `info`; returns where the next entry starts.
    const char *unpack(const char *at, FileInfo &info) const;
    void growSlots();
    void dropUnusedEntries();

    std::vector<char> m_entries;
    std::vector<quint32> m_slots; // an entry's offset in m_entries + 1; 0 for a free slot
    std::vector<quint64> m_devices;
    qsizetype m_count = 0;
    size_t m_unused = 0; // bytes of entries a newer read of the same file replaced
    TextPool m_texts;
};
