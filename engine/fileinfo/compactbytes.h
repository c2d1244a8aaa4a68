#pragma once

// Internal to the engine: not part of its interface.

#include <QtGlobal>

#include <algorithm>
#include <vector>

// Small helpers for the cache's packed records: whole numbers in as few bytes as they need
// (seven bits to a byte, the high bit saying "more follows"), and growth of a few percent
// at a time, so that the spare room a vector keeps stays small next to what it holds.
namespace CompactBytes {

template <typename Vector> void reserveFor(Vector &vector, size_t needed)
{
    if (needed > vector.capacity())
        vector.reserve(std::max(needed, vector.capacity() + vector.capacity() / 8 + 64));
}

inline void appendNumber(std::vector<char> &bytes, quint64 value)
{
    do {
        const quint8 low = value & 0x7F;
        value >>= 7;
        reserveFor(bytes, bytes.size() + 1);
        bytes.push_back(char(value ? low | 0x80 : low));
    } while (value);
}

inline quint64 takeNumber(const char *&at)
{
    quint64 value = 0;
    for (int shift = 0;; shift += 7) {
        const quint8 byte = quint8(*at++);
        value |= quint64(byte & 0x7F) << shift;
        if (!(byte & 0x80))
            return value;
    }
}

} // namespace CompactBytes
