#include "samplemedia.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QtEndian>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <memory>

namespace {

using namespace Qt::StringLiterals;

// A grey picture of the size, as JPEG bytes; made once for each size.
QByteArray plainJpeg(int width, int height)
{
    static QMutex mutex;
    static QHash<quint64, QByteArray> made;
    const QMutexLocker lock(&mutex);
    QByteArray &bytes = made[(quint64(uint(width)) << 32) | uint(height)];
    if (bytes.isEmpty()) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(0xFF808080);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 50);
    }
    return bytes;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

template <typename Number> void appendLittle(QByteArray &bytes, Number value)
{
    const auto little = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&little), sizeof little);
}

template <typename Number> void appendBig(QByteArray &bytes, Number value)
{
    const auto big = qToBigEndian(value);
    bytes.append(reinterpret_cast<const char *>(&big), sizeof big);
}

// Ten silent frames of MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, mono.
QByteArray mp3Bytes()
{
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    frame[3] = char(0xC4);
    return frame.repeated(10);
}

// The stream information block alone and a few bytes where the frames would be.
QByteArray flacBytes()
{
    QByteArray bytes = "fLaC"_ba;
    appendBig<quint32>(bytes, 0x80000000u | 34); // the last block, of 34 bytes
    appendBig<quint16>(bytes, 4096);             // smallest and largest block
    appendBig<quint16>(bytes, 4096);
    bytes.append(6, '\0'); // smallest and largest frame: unknown
    // 44,100 Hz, one channel, 16 bits a sample, no samples yet
    appendBig<quint64>(bytes, (quint64(44100) << 44) | (quint64(15) << 36));
    bytes.append(16, '\0'); // the MD5 of no audio
    bytes.append(16, '\0');
    return bytes;
}

quint32 oggChecksum(const QByteArray &page)
{
    quint32 crc = 0;
    for (const char byte : page) {
        crc ^= quint32(quint8(byte)) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

QByteArray oggPage(const QList<QByteArray> &packets, quint8 flags, quint64 granule,
                   quint32 sequence)
{
    QByteArray lacing, body;
    for (const QByteArray &packet : packets) {
        lacing.append(packet.size() / 255, char(255));
        lacing.append(char(packet.size() % 255));
        body += packet;
    }
    QByteArray page = "OggS"_ba;
    page.append('\0');
    page.append(char(flags));
    appendLittle<quint64>(page, granule);
    appendLittle<quint32>(page, 0x42524B4Cu); // the stream's serial number
    appendLittle<quint32>(page, sequence);
    appendLittle<quint32>(page, 0); // the checksum, filled in below
    page.append(char(lacing.size()));
    page += lacing + body;
    const quint32 crc = qToLittleEndian(oggChecksum(page));
    page.replace(22, 4, reinterpret_cast<const char *>(&crc), 4);
    return page;
}

constexpr quint8 firstPage = 0x02, lastPage = 0x04;

QByteArray withVendor(QByteArray packet)
{
    const QByteArray vendor = "Brisklet"_ba;
    appendLittle<quint32>(packet, quint32(vendor.size()));
    packet += vendor;
    appendLittle<quint32>(packet, 0); // no comments yet
    return packet;
}

QByteArray vorbisBytes()
{
    QByteArray identification = "\x01vorbis"_ba;
    appendLittle<quint32>(identification, 0); // version
    identification.append(char(1));           // one channel
    appendLittle<quint32>(identification, 44100);
    identification.append(12, '\0');   // bit rates: unknown
    identification.append(char(0xB8)); // blocks of 256 and 2,048 samples
    identification.append(char(1));
    QByteArray comment = withVendor("\x03vorbis"_ba);
    comment.append(char(1));
    // The codebooks of the set-up header are never read by a tag reader.
    const QByteArray setup = "\x05vorbis\0\x01"_ba;
    return oggPage({identification}, firstPage, 0, 0) + oggPage({comment, setup}, 0, 0, 1) +
           oggPage({QByteArray(8, '\0')}, lastPage, 256, 2);
}

QByteArray opusBytes()
{
    QByteArray head = "OpusHead"_ba;
    head.append(char(1)); // version
    head.append(char(1)); // one channel
    appendLittle<quint16>(head, 312);
    appendLittle<quint32>(head, 48000);
    appendLittle<quint16>(head, 0);
    head.append('\0');
    // One packet of 20 ms of silence.
    return oggPage({head}, firstPage, 0, 0) + oggPage({withVendor("OpusTags"_ba)}, 0, 0, 1) +
           oggPage({"\xF8\xFF\xFE"_ba}, lastPage, 312 + 960, 2);
}

QByteArray box(const char *type, const QByteArray &content)
{
    QByteArray bytes;
    appendBig<quint32>(bytes, quint32(8 + content.size()));
    return bytes + type + content;
}

QByteArray m4aBytes()
{
    QByteArray movieHeader(4, '\0'); // version 0, no flags
    movieHeader.append(8, '\0');     // made and changed: unknown
    appendBig<quint32>(movieHeader, 1000);
    appendBig<quint32>(movieHeader, 0);          // no duration
    appendBig<quint32>(movieHeader, 0x00010000); // normal rate
    appendBig<quint16>(movieHeader, 0x0100);     // full volume
    movieHeader.append(10, '\0');
    for (const quint32 cell : {0x10000u, 0u, 0u, 0u, 0x10000u, 0u, 0u, 0u, 0x40000000u})
        appendBig<quint32>(movieHeader, cell);
    movieHeader.append(24, '\0');
    appendBig<quint32>(movieHeader, 2); // the next track's number
    return box("ftyp", "M4A \0\0\x02\0M4A mp42isom"_ba) + box("moov", box("mvhd", movieHeader)) +
           box("mdat", QByteArray(16, '\0'));
}

QByteArray wavBytes()
{
    QByteArray format;
    appendLittle<quint16>(format, 1); // PCM
    appendLittle<quint16>(format, 1); // one channel
    appendLittle<quint32>(format, 44100);
    appendLittle<quint32>(format, 44100 * 2);
    appendLittle<quint16>(format, 2);
    appendLittle<quint16>(format, 16);
    QByteArray chunks = "WAVEfmt "_ba;
    appendLittle<quint32>(chunks, quint32(format.size()));
    chunks += format + "data";
    appendLittle<quint32>(chunks, 400);
    chunks.append(400, '\0');
    QByteArray bytes = "RIFF"_ba;
    appendLittle<quint32>(bytes, quint32(chunks.size()));
    return bytes + chunks;
}

std::unique_ptr<TagLib::File> tagFile(const QByteArray &path, SampleMedia::AudioFormat format)
{
    using Format = SampleMedia::AudioFormat;
    switch (format) {
    case Format::mp3:
        return std::make_unique<TagLib::MPEG::File>(path.constData(), false);
    case Format::flac:
        return std::make_unique<TagLib::FLAC::File>(path.constData(), false);
    case Format::ogg:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(path.constData(), false);
    case Format::opus:
        return std::make_unique<TagLib::Ogg::Opus::File>(path.constData(), false);
    case Format::m4a:
        return std::make_unique<TagLib::MP4::File>(path.constData(), false);
    case Format::wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(path.constData(), false);
    }
    return nullptr;
}

TagLib::String tagText(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

} // namespace

bool SampleMedia::writeJpeg(const QString &path, const Photo &photo)
{
    const QByteArray plain = plainJpeg(photo.width, photo.height);
    if (plain.isEmpty())
        return false;
    try {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte *>(plain.constData()), long(plain.size()));
#pragma GCC diagnostic pop
        Exiv2::ExifData exif;
        if (photo.taken) {
            exif["Exif.Photo.DateTimeOriginal"] =
                photo.taken->toString(u"yyyy:MM:dd HH:mm:ss"_s).toStdString();
        }
        if (!photo.cameraModel.isEmpty())
            exif["Exif.Image.Model"] = photo.cameraModel.toStdString();
        if (photo.taken || !photo.cameraModel.isEmpty()) {
            exif["Exif.Photo.PixelXDimension"] = uint32_t(photo.width);
            exif["Exif.Photo.PixelYDimension"] = uint32_t(photo.height);
        }
        image->setExifData(exif);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf written = io.read(long(io.size()));
        return writeFile(path, QByteArray(reinterpret_cast<const char *>(written.pData_),
                                          qsizetype(written.size_)));
    } catch (...) {
        return false;
    }
}

bool SampleMedia::writeAudio(const QString &path, AudioFormat format, const Recording &tags)
{
    QByteArray bytes;
    switch (format) {
    case AudioFormat::mp3:
        bytes = mp3Bytes();
        break;
    case AudioFormat::flac:
        bytes = flacBytes();
        break;
    case AudioFormat::ogg:
        bytes = vorbisBytes();
        break;
    case AudioFormat::opus:
        bytes = opusBytes();
        break;
    case AudioFormat::m4a:
        bytes = m4aBytes();
        break;
    case AudioFormat::wav:
        bytes = wavBytes();
        break;
    }
    if (!writeFile(path, bytes))
        return false;
    const std::unique_ptr<TagLib::File> file = tagFile(QFile::encodeName(path), format);
    if (!file || !file->isValid() || !file->tag())
        return false;
    TagLib::Tag *const tag = file->tag();
    tag->setArtist(tagText(tags.artist));
    tag->setAlbum(tagText(tags.album));
    tag->setTitle(tagText(tags.title));
    tag->setTrack(uint(tags.track));
    tag->setYear(uint(tags.year));
    return file->save();
}
