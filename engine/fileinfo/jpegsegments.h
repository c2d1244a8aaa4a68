#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>

// The start of a JPEG file up to its image data: the markers and the segments before the
// first scan, where EXIF, XMP and the picture's size are. Only those bytes are read, so a
// huge file, or one that is damaged after a few segments, costs no more than its header.
// Where the structure breaks off (a truncated segment, bytes where a marker belongs, more
// than `limit` bytes of segments) the bytes end there with a start-of-scan marker added,
// so what came before is still read. Empty when the file could not be read at all.
namespace JpegSegments {

QByteArray headerOf(int descriptor, qint64 fileSize, qint64 limit = 16 << 20);

} // namespace JpegSegments
