#pragma once

// Internal to the engine: not part of its interface.

#include <QString>

#include <cstdint>
#include <vector>

// Texts kept once each however often they are added: camera models, artists and albums
// come back for many files. A text is known by a small number (0, 1, 2, ... in the order
// added) that stays valid until clear().
// Stored as UTF-8 in one block, found again through a small open-addressing table.
class TextPool {
public:
    quint32 add(const QString &text);
    QString text(quint32 id) const;
    qsizetype count() const { return m_count; }
    void clear();
    // Bytes held, the table and the spare room of both included.
    size_t memoryUsed() const;

private:
    QByteArrayView bytesOf(quint32 id) const;
    void grow();

    std::vector<char> m_bytes;      // each text: its length as a varint, then its UTF-8
    std::vector<quint32> m_offsets; // where each text starts in m_bytes, by its number
    std::vector<quint32> m_slots;   // a text's number + 1; 0 for a free slot
    qsizetype m_count = 0;
};
