#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "fileinfo/mediakind.h"

// An image's own details through Exiv2: when it was taken, the camera, its size in pixels.
// Takes the open descriptor of a regular file; may throw whatever Exiv2 throws.
namespace ImageDetails {

DetailsRead read(int descriptor, qint64 fileSize, MediaKind kind, FileInfo &info);

// Milliseconds from 1970-01-01T00:00 of the clock a date such as "2021:07:14 09:30:05"
// (EXIF) or "2021-07-14T09:30:05+02:00" (XMP) gives, the time zone left out; none for a
// text that is not such a date. A date alone is midnight.
std::optional<qint64> wallClockOf(QByteArrayView text);

} // namespace ImageDetails
