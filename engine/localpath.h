#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>

#include <optional>

// Local paths as the file system holds them: bytes, which need not be valid UTF-8. A
// name is shown decoded, with U+FFFD where its bytes are not UTF-8, but an item is always
// found and moved by its exact bytes, so that a listed "photo-\xff.jpg" never stands for
// a file literally named "photo-\uFFFD.jpg".
namespace LocalPath {

// The exact path of a local file URL, without a trailing slash; empty for other URLs.
QByteArray fromUrl(const QUrl &url);
// The file URL of exact path bytes; the same URL as QUrl::fromLocalFile for UTF-8 paths.
QUrl toUrl(const QByteArray &path);
// Whether a file URL holds this ASCII character as it is, and gives it back as it is from
// the path's bytes; '/' counts, being the separator.
bool isPlainAscii(char16_t c);
// Whether `path` is an absolute path of plain ASCII characters alone (see isPlainAscii),
// without a trailing slash: the file URL of such a path is the path itself after "file://",
// which lets a caller skip escaping and decoding it.
bool isPlainAsciiPath(QByteArrayView path);

// Where the last component of a path starts: just after its last slash. The one spelling
// of "the name in a path", for bytes and for text.
inline qsizetype nameStart(QByteArrayView path)
{
    return path.lastIndexOf('/') + 1;
}
inline qsizetype nameStart(QStringView path)
{
    return path.lastIndexOf(u'/') + 1;
}

QByteArray nameOf(const QByteArray &path);
// The last component of a URL's decoded path, also for a folder URL that ends in "/"; for
// URLs that are not local files, whose path has no exact bytes.
QString nameOf(const QUrl &url);
QByteArray folderOf(const QByteArray &path); // without the final slash
QByteArray withName(const QByteArray &path, const QByteArray &name);
// A name or path for people to read.
QString display(const QByteArray &bytes);

// The bytes of a name computed as text; none when the text has a character no path can
// hold (NUL, or half of a surrogate pair that UTF-8 cannot encode).
std::optional<QByteArray> encodeName(const QString &name);
// withName(path, *encodeName(name)), or none as encodeName gives.
std::optional<QByteArray> withEncodedName(const QByteArray &path, const QString &name);

// Whether `path` lies inside the folder `folder` (at any depth).
bool isInside(const QByteArray &path, const QByteArray &folder);

} // namespace LocalPath
