#include "fileinfo/audiotags.h"

#include "fileinfo/descriptorstream.h"

#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <memory>

namespace {

// More than any tag with its pictures needs; a damaged file that sends TagLib looking for
// a frame reads no further.
constexpr long long readBudget = 32 << 20;

std::unique_ptr<TagLib::File> openAs(MediaKind kind, DescriptorStream &stream)
{
    auto *const frames = TagLib::ID3v2::FrameFactory::instance();
    switch (kind) {
    case MediaKind::mp3:
        return std::make_unique<TagLib::MPEG::File>(&stream, frames, false);
    case MediaKind::flac:
        return std::make_unique<TagLib::FLAC::File>(&stream, frames, false);
    case MediaKind::oggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
    case MediaKind::opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(&stream, false);
    case MediaKind::m4a:
        return std::make_unique<TagLib::MP4::File>(&stream, false);
    case MediaKind::wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(&stream, false);
    default:
        return nullptr;
    }
}

QString textOf(const TagLib::String &text)
{
    return QString::fromStdString(text.to8Bit(true)).trimmed();
}

int numberOf(unsigned int value)
{
    return value <= 0x7FFFFFFF ? int(value) : 0;
}

} // namespace

DetailsRead AudioTags::read(int descriptor, qint64 fileSize, MediaKind kind, FileInfo &info)
{
    DescriptorStream stream(descriptor, fileSize, readBudget);
    const std::unique_ptr<TagLib::File> file = openAs(kind, stream);
    if (!file)
        return DetailsRead::notThisKind;
    if (!file->isValid())
        return DetailsRead::damaged;
    const TagLib::Tag *const tag = file->tag();
    if (!tag)
        return DetailsRead::read;
    info.artist = textOf(tag->artist());
    info.album = textOf(tag->album());
    info.title = textOf(tag->title());
    info.trackNumber = numberOf(tag->track());
    info.year = numberOf(tag->year());
    return DetailsRead::read;
}
