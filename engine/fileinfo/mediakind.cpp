#include "fileinfo/mediakind.h"

#include <QByteArray>

#include <algorithm>
#include <array>

namespace {

using namespace Qt::StringLiterals;

QByteArray extensionOf(QByteArrayView path)
{
    const qsizetype dot = path.lastIndexOf('.');
    if (dot < 0 || path.indexOf('/', dot) >= 0)
        return {};
    return path.sliced(dot + 1).toByteArray().toLower();
}

bool isOneOf(const QByteArray &extension, std::initializer_list<const char *> list)
{
    return std::any_of(list.begin(), list.end(),
                       [&extension](const char *item) { return extension == item; });
}

// A frame header of MPEG audio: eleven set bits, then a version, layer and bit rate that
// exist.
bool startsWithMpegFrame(QByteArrayView head)
{
    if (head.size() < 4)
        return false;
    const auto byte = [&head](int i) { return quint8(head[i]); };
    return byte(0) == 0xFF && (byte(1) & 0xE0) == 0xE0 && (byte(1) & 0x18) != 0x08 &&
           (byte(1) & 0x06) != 0 && (byte(2) & 0xF0) != 0xF0 && (byte(2) & 0x0C) != 0x0C;
}

} // namespace

MediaKind mediaKindOf(QByteArrayView head, QByteArrayView path)
{
    const QByteArray extension = extensionOf(path);
    const auto at = [&head](qsizetype offset, QByteArrayView text) {
        return head.size() >= offset + text.size() && head.sliced(offset, text.size()) == text;
    };

    if (at(0, "\xFF\xD8\xFF"))
        return MediaKind::jpeg;
    if (at(0, "\x89PNG") || at(0, "II*\0"_ba) || at(0, "MM\0*"_ba) || at(0, "IIRO") ||
        at(0, "IIU\0"_ba) || at(0, "FUJIFILM") || (at(0, "RIFF") && at(8, "WEBP")) ||
        at(0, "GIF87a") || at(0, "GIF89a") || (at(0, "BM") && extension == "bmp"))
        return MediaKind::image;
    if (at(0, "RIFF") && at(8, "WAVE"))
        return MediaKind::wav;
    if (at(0, "fLaC"))
        return MediaKind::flac;
    if (at(0, "OggS")) {
        // The first page holds the stream's identification packet alone.
        if (head.indexOf("OpusHead") >= 0)
            return MediaKind::opus;
        if (head.indexOf("\x01vorbis") >= 0)
            return MediaKind::oggVorbis;
        return MediaKind::other;
    }
    if (at(4, "ftyp")) {
        if (at(8, "M4A ") || at(8, "M4B ") || at(8, "M4P ") || isOneOf(extension, {"m4a", "m4b"}))
            return MediaKind::m4a;
        return MediaKind::other;
    }
    if (at(0, "ID3"))
        return extension == "flac" ? MediaKind::flac : MediaKind::mp3;
    if (startsWithMpegFrame(head))
        return MediaKind::mp3;

    if (extension == "mp3")
        return MediaKind::mp3;
    if (isOneOf(extension, {"jpg", "jpeg", "tif", "tiff", "png", "webp", "dng", "nef", "cr2", "arw",
                            "orf", "rw2", "raf", "pef", "srw", "heic", "avif", "exv"}))
        return MediaKind::image;
    return MediaKind::other;
}
