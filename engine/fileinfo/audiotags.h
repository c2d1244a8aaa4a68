#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "fileinfo/mediakind.h"

// A recording's tags through TagLib: artist, album, title, track number and year. Takes the
// open descriptor of a regular file and reads through it alone; the audio itself is not
// looked at. May throw whatever TagLib throws.
namespace AudioTags {

DetailsRead read(int descriptor, qint64 fileSize, MediaKind kind, FileInfo &info);

} // namespace AudioTags
