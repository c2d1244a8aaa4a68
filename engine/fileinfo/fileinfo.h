#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// What one file says of itself, as far as it could be read: its stamps always, and an
// image's or a recording's own details when it has them. A detail the file does not have
// is empty, zero or none; `problem` says when the file could not be read at all.
struct FileInfo {
    // Which file was read, and as it was then: a file whose size or modification time
    // changed since is read again.
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0; // since 1970-01-01T00:00Z

    // The wall-clock time the picture was taken, as recorded (no time zone): milliseconds
    // from 1970-01-01T00:00 of that clock.
    std::optional<qint64> dateTaken;
    QString cameraModel;
    int width = 0; // pixels; 0 when unknown
    int height = 0;

    QString artist;
    QString album;
    QString title;
    int trackNumber = 0; // 0 when unknown
    int year = 0;

    // Why nothing could be read, a sentence for the user; empty when the file was read,
    // whatever it held.
    QString problem;

    bool operator==(const FileInfo &other) const = default;
};
