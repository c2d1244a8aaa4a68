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
//
// A name computed as text keeps those bytes too: decodeName gives each byte that is not
// part of a UTF-8 character the lone low surrogate U+DC80 to U+DCFF (0x80 to 0xFF), which
// no UTF-8 can produce, and encodeName turns each such code unit back into its byte. So a
// step that changes the rest of "caf\xe9.JPG" leaves the 0xE9 where it was.
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

// A name's bytes as text to compute with: UTF-8 decoded, and each byte that is not part of
// a UTF-8 character as its escape (see above). The same text as QString::fromUtf8 for
// valid UTF-8.
QString decodeName(QByteArrayView bytes);
// Whether the code unit stands for a byte that is not UTF-8 (see decodeName).
constexpr bool isEscapedByte(char16_t c)
{
    return c >= 0xDC80 && c <= 0xDCFF;
}
// A name as text for people to read: each escaped byte shown as U+FFFD. The text itself
// when it has none.
QString readable(const QString &name);
// Whether the text holds an escaped byte.
bool hasEscapedBytes(QStringView name);

// The bytes of a name computed as text, escaped bytes as the bytes they stand for; none
// when the text has a character no path can hold (NUL, or half of a surrogate pair that
// UTF-8 cannot encode).
std::optional<QByteArray> encodeName(const QString &name);
// withName(path, *encodeName(name)), or none as encodeName gives.
std::optional<QByteArray> withEncodedName(const QByteArray &path, const QString &name);

// Whether `path` lies inside the folder `folder` (at any depth).
bool isInside(const QByteArray &path, const QByteArray &folder);

} // namespace LocalPath
