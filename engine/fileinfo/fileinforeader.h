#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"

#include <QByteArray>

// Reads what a file says of itself: an image's EXIF and XMP through Exiv2, a recording's
// tags through TagLib, the kind told by the file's first bytes. Only a regular file is ever
// opened, and never in a way that could block; the libraries read through that descriptor
// alone, and nothing a damaged file does escapes as an exception. Safe to call from several
// threads at once.
namespace FileInfoReader {

enum class Depth {
    stamps,    // identity, size and modification time only
    everything // and the image's or the recording's details
};

FileInfo read(const QByteArray &path, Depth depth = Depth::everything);

} // namespace FileInfoReader
