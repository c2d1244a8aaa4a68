#include "localpath.h"

#include "unicodetext.h"

#include <array>
#include <cstring>

namespace {

// The URL every path has: each byte escaped but the unreserved ones.
QUrl escapedFileUrl(const QByteArray &path)
{
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + path.toPercentEncoding("/"),
                             QUrl::StrictMode);
}

// The ASCII characters a file URL holds as they are and that also come back as they are
// from the path's bytes (escapedFileUrl escapes every byte but the unreserved ones, and
// QUrl decodes only some of those escapes again). Asked of QUrl itself, once.
const std::array<bool, 128> &plainAsciiTable()
{
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> result{};
        result['/'] = true;
        for (char c = 0x20; c < 0x7F; ++c) {
            if (c == '/')
                continue;
            const QByteArray path = QByteArrayLiteral("/a") + c + 'b';
            const QUrl url = QUrl::fromLocalFile(QString::fromLatin1(path));
            const QUrl fromPath = escapedFileUrl(path);
            result[size_t(c)] = url == fromPath && url.toEncoded() == fromPath.toEncoded() &&
                                url.path(QUrl::PrettyDecoded) == QString::fromLatin1(path);
        }
        return result;
    }();
    return table;
}

} // namespace

namespace LocalPath {

QByteArray fromUrl(const QUrl &url)
{
    if (!url.isLocalFile())
        return {};
    // The decoded forms turn a byte that is not UTF-8 into U+FFFD; the other forms keep it
    // as its %XX escape. The pretty form is what the URL holds: without any escape it is
    // the path itself.
    const QString pretty = url.path(QUrl::PrettyDecoded);
    QByteArray path;
    if (pretty.contains(u'%'))
        path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    else if (UnicodeText::isAscii(pretty))
        path = pretty.toLatin1(); // the same bytes, without the room toUtf8 keeps for more
    else
        path = pretty.toUtf8();
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    // A listed file keeps its path for as long as it is listed; decoding leaves the bytes
    // with room for up to three times as many, which a million files would pay in full.
    if (path.capacity() > path.size())
        path.squeeze();
    return path;
}

QUrl toUrl(const QByteArray &path)
{
    // Most paths need no escape: QUrl then takes the path as it is, which is quicker than
    // parsing the escaped form.
    if (isPlainAsciiPath(path))
        return QUrl::fromLocalFile(QString::fromLatin1(path));
    return escapedFileUrl(path);
}

bool isPlainAscii(char16_t c)
{
    return c < 0x80 && plainAsciiTable()[c];
}

bool isPlainAsciiPath(QByteArrayView path)
{
    // A path that starts with two slashes would name a host to QUrl::fromLocalFile.
    if (path.size() < 2 || path[0] != '/' || path[1] == '/' || path.back() == '/')
        return false;
    // Every byte, looked up without a branch: this is asked for every listed and renamed
    // file.
    static const std::array<unsigned char, 256> plain = [] {
        std::array<unsigned char, 256> result{};
        for (size_t c = 0; c < 128; ++c)
            result[c] = plainAsciiTable()[c] ? 1 : 0;
        return result;
    }();
    unsigned char all = 1;
    for (const char c : path)
        all &= plain[static_cast<unsigned char>(c)];
    return all != 0;
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(nameStart(path));
}

QString nameOf(const QUrl &url)
{
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.mid(nameStart(path));
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray withName(const QByteArray &path, const QByteArray &name)
{
    // One allocation: this is made for every move of a batch.
    const qsizetype start = nameStart(path);
    QByteArray result(start + name.size(), Qt::Uninitialized);
    std::memcpy(result.data(), path.constData(), size_t(start));
    if (!name.isEmpty())
        std::memcpy(result.data() + start, name.constData(), size_t(name.size()));
    return result;
}

std::optional<QByteArray> withEncodedName(const QByteArray &path, const QString &name)
{
    const qsizetype start = nameStart(path);
    QByteArray result(start + name.size(), Qt::Uninitialized);
    char *out = result.data() + start;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u == 0 || u >= 0x80) {
            const std::optional<QByteArray> encoded = encodeName(name);
            return encoded ? std::optional(withName(path, *encoded)) : std::nullopt;
        }
        *out++ = char(u);
    }
    std::memcpy(result.data(), path.constData(), size_t(start));
    return result;
}

QString display(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

std::optional<QByteArray> encodeName(const QString &name)
{
    if (name.contains(QChar(0)) || !QStringView(name).isValidUtf16())
        return std::nullopt;
    return name.toUtf8();
}

bool isInside(const QByteArray &path, const QByteArray &folder)
{
    if (folder == "/")
        return path.size() > 1 && path.startsWith('/');
    return path.size() > folder.size() + 1 && path.startsWith(folder) &&
           path.at(folder.size()) == '/';
}

} // namespace LocalPath
