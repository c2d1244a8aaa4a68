#include "fileinfo/imagedetails.h"

#include "fileinfo/jpegsegments.h"

#include <QDate>

// Exiv2 0.27 hands out its images and streams as std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

#include <string>

namespace {

std::string textOf(const Exiv2::Metadatum &datum)
{
    std::string text = datum.toString();
    // Cameras pad their texts with spaces and zeros.
    const auto last = text.find_last_not_of(std::string(" \t\r\n\0", 5));
    text.erase(last == std::string::npos ? 0 : last + 1);
    const auto first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : text.substr(first);
}

const Exiv2::Exifdatum *exifDatum(const Exiv2::ExifData &exif, const char *name)
{
    const auto it = exif.findKey(Exiv2::ExifKey(name));
    return it == exif.end() ? nullptr : &*it;
}

const Exiv2::Xmpdatum *xmpDatum(const Exiv2::XmpData &xmp, const char *name)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(name));
    return it == xmp.end() ? nullptr : &*it;
}

std::optional<qint64> dateTaken(const Exiv2::ExifData &exif, const Exiv2::XmpData &xmp)
{
    // When the shutter was pressed first; when it was stored, or last changed, only when
    // nothing better is there.
    for (const char *name :
         {"Exif.Photo.DateTimeOriginal", "Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated",
          "Exif.Photo.DateTimeDigitized", "Xmp.xmp.CreateDate", "Exif.Image.DateTime"}) {
        const bool fromExif = name[0] == 'E';
        const Exiv2::Metadatum *datum =
            fromExif ? static_cast<const Exiv2::Metadatum *>(exifDatum(exif, name))
                     : xmpDatum(xmp, name);
        if (!datum)
            continue;
        const std::string text = textOf(*datum);
        if (const auto when =
                ImageDetails::wallClockOf(QByteArrayView(text.data(), qsizetype(text.size()))))
            return when;
    }
    return std::nullopt;
}

int positiveInt(const Exiv2::Metadatum *datum)
{
    if (!datum || datum->count() == 0)
        return 0;
    const long value = datum->toLong();
    return value > 0 && value <= 0x7FFFFFFF ? int(value) : 0;
}

} // namespace

std::optional<qint64> ImageDetails::wallClockOf(QByteArrayView text)
{
    const auto number = [&text](qsizetype from, qsizetype digits) {
        int value = 0;
        for (qsizetype i = from; i < from + digits; ++i) {
            if (i >= text.size() || text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto separatorAt = [&text](qsizetype at, QByteArrayView allowed) {
        return at < text.size() && allowed.contains(text[at]);
    };
    if (text.size() < 10 || !separatorAt(4, ":-") || !separatorAt(7, ":-"))
        return std::nullopt;
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    if (!date.isValid() || date.year() < 1)
        return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (text.size() > 10) {
        if (!separatorAt(10, " T") || !separatorAt(13, ":"))
            return std::nullopt;
        hour = number(11, 2);
        minute = number(14, 2);
        // Seconds may be left out (XMP); a time zone or fraction may follow.
        if (separatorAt(16, ":"))
            second = number(17, 2);
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
            return std::nullopt;
    }
    constexpr qint64 julianDayOf1970 = 2440588;
    const qint64 seconds =
        (date.toJulianDay() - julianDayOf1970) * 86400 + hour * 3600 + minute * 60 + second;
    return seconds * 1000;
}

DetailsRead ImageDetails::read(int descriptor, qint64 fileSize, MediaKind kind, FileInfo &info)
{
    Exiv2::Image::AutoPtr image;
    QByteArray header;
    try {
        if (kind == MediaKind::jpeg) {
            header = JpegSegments::headerOf(descriptor, fileSize);
            if (header.isEmpty())
                return DetailsRead::damaged;
            image = Exiv2::ImageFactory::open(
                reinterpret_cast<const Exiv2::byte *>(header.constData()), long(header.size()));
        } else {
            // The descriptor's own file, whatever has become of its path since.
            const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
            image = Exiv2::ImageFactory::open(Exiv2::BasicIo::AutoPtr(new Exiv2::FileIo(self)));
        }
    } catch (const Exiv2::AnyError &error) {
        return error.code() == Exiv2::kerFileContainsUnknownImageType ? DetailsRead::notThisKind
                                                                      : DetailsRead::damaged;
    }
    if (!image.get())
        return DetailsRead::notThisKind;
    image->readMetadata();

    const Exiv2::ExifData &exif = image->exifData();
    const Exiv2::XmpData &xmp = image->xmpData();
    info.dateTaken = dateTaken(exif, xmp);

    const Exiv2::Metadatum *model = exifDatum(exif, "Exif.Image.Model");
    if (!model)
        model = xmpDatum(xmp, "Xmp.tiff.Model");
    if (model)
        info.cameraModel = QString::fromStdString(textOf(*model));

    info.width = image->pixelWidth() > 0
                     ? int(image->pixelWidth())
                     : positiveInt(exifDatum(exif, "Exif.Photo.PixelXDimension"));
    info.height = image->pixelHeight() > 0
                      ? int(image->pixelHeight())
                      : positiveInt(exifDatum(exif, "Exif.Photo.PixelYDimension"));
    if (info.width == 0 || info.height == 0)
        info.width = info.height = 0; // half a size is no size
    return DetailsRead::read;
}

#pragma GCC diagnostic pop
