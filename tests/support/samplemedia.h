#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// Real media files made on the spot, for the tests and the benchmark: a JPEG with its EXIF
// written by Exiv2, and short silent recordings in each audio format with their tags written
// by TagLib. Nothing here comes from elsewhere. Each returns false when the file could not be
// made.
namespace SampleMedia {

struct Photo {
    std::optional<QDateTime> taken; // written as recorded, without a time zone
    QString cameraModel;
    int width = 8;
    int height = 8;
};
bool writeJpeg(const QString &path, const Photo &photo);

struct Recording {
    QString artist, album, title;
    int track = 0;
    int year = 0;
};
enum class AudioFormat { mp3, flac, ogg, opus, m4a, wav };
bool writeAudio(const QString &path, AudioFormat format, const Recording &tags);

} // namespace SampleMedia
