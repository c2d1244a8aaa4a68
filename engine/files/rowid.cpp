#include "files/rowid.h"

#include <QByteArrayView>
#include <QRandomGenerator64>
#include <QRandomGenerator>

#include <array>
#include <cstring>

namespace RowId {

namespace {

QRandomGenerator64 seededGenerator()
{
    std::array<quint32, 16> seed;
    QRandomGenerator::system()->fillRange(seed.data(), seed.size());
    return QRandomGenerator64(seed.data(), qsizetype(seed.size()));
}

} // namespace

QUuid create()
{
    thread_local QRandomGenerator64 generator = seededGenerator();
    const std::array<quint64, 2> words{generator.generate64(), generator.generate64()};
    std::array<char, 16> bytes;
    std::memcpy(bytes.data(), words.data(), bytes.size());
    bytes[6] = char((bytes[6] & 0x0F) | 0x40); // version 4: random
    bytes[8] = char((bytes[8] & 0x3F) | 0x80); // the RFC 4122 variant
    return QUuid::fromRfc4122(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

} // namespace RowId
