#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArrayView>

// What kind of file a reader takes, told by its first bytes, and by its name's extension
// where the bytes leave it open (an MP3 without a tag, an ID3 tag before FLAC, an image
// type the content test does not know).
enum class MediaKind { other, jpeg, image, mp3, flac, oggVorbis, opus, m4a, wav };

// `head` is the start of the file, as much of it as there is up to MediaKindHeadSize bytes.
MediaKind mediaKindOf(QByteArrayView head, QByteArrayView path);

inline constexpr qsizetype MediaKindHeadSize = 96;

// How reading a file's details went: read (whatever it held), not of the kind its reader
// takes (no details, and nothing wrong), or damaged.
enum class DetailsRead { read, notThisKind, damaged };
