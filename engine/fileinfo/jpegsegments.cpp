#include "fileinfo/jpegsegments.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr quint8 startOfScan = 0xDA;
constexpr quint8 endOfImage = 0xD9;

// Reads more of the file into `bytes` so that it holds at least `wanted` bytes (or all of
// the file); false when it cannot.
bool fill(int descriptor, qint64 fileSize, QByteArray &bytes, qint64 wanted)
{
    if (wanted <= bytes.size())
        return true;
    if (wanted > fileSize)
        return false;
    const qint64 target = std::min(fileSize, std::max(wanted, qint64(bytes.size()) * 2));
    const qsizetype had = bytes.size();
    bytes.resize(qsizetype(target));
    qsizetype done = had;
    while (done < target) {
        const ssize_t got = ::pread(descriptor, bytes.data() + done, size_t(target - done), done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return done >= wanted;
}

} // namespace

QByteArray JpegSegments::headerOf(int descriptor, qint64 fileSize, qint64 limit)
{
    QByteArray bytes;
    if (!fill(descriptor, fileSize, bytes, std::min<qint64>(fileSize, 64 * 1024)) ||
        bytes.size() < 2)
        return {};
    const auto byteAt = [&bytes](qint64 at) { return quint8(bytes[qsizetype(at)]); };

    qint64 at = 2; // after the start-of-image marker
    while (true) {
        const qint64 markerStart = at;
        if (!fill(descriptor, fileSize, bytes, at + 2) || byteAt(at) != 0xFF)
            break;
        while (fill(descriptor, fileSize, bytes, at + 2) && byteAt(at + 1) == 0xFF)
            ++at; // fill bytes before a marker
        if (!fill(descriptor, fileSize, bytes, at + 2))
            break;
        const quint8 marker = byteAt(at + 1);
        at += 2;
        if (marker == startOfScan || marker == endOfImage) {
            bytes.truncate(qsizetype(at));
            return bytes;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (!fill(descriptor, fileSize, bytes, at + 2)) {
            at = markerStart;
            break;
        }
        const qint64 length = (qint64(byteAt(at)) << 8) | byteAt(at + 1);
        if (length < 2 || at + length > limit || !fill(descriptor, fileSize, bytes, at + length)) {
            at = markerStart;
            break;
        }
        at += length;
    }
    bytes.truncate(qsizetype(at));
    bytes.append("\xFF\xDA", 2);
    return bytes;
}
