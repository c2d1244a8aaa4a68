#include "fileurl.h"

#include "localpath.h"

#include <QHashFunctions>

#include <array>

namespace {

// The ASCII characters a file URL holds as they are and that also come back as they are
// from the path's bytes (LocalPath::toUrl escapes every byte but the unreserved ones, and
// QUrl decodes only some of those escapes again). Asked of QUrl itself, once.
const std::array<bool, 128> &plainAscii()
{
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> result{};
        for (char c = 0x20; c < 0x7F; ++c) {
            const QByteArray path = QByteArrayLiteral("/a") + c + 'b';
            const QUrl url = QUrl::fromLocalFile(QString::fromLatin1(path));
            const QUrl fromPath = LocalPath::toUrl(path);
            result[size_t(c)] = url == fromPath && url.toEncoded() == fromPath.toEncoded() &&
                                url.path(QUrl::PrettyDecoded) == QString::fromLatin1(path);
        }
        return result;
    }();
    return table;
}

// Whether the URL is exactly the file URL of `path`, judged from its parts: a local file
// with nothing but a path, whose readable form is the path itself (no escape, which would
// stand for a byte that is not UTF-8 or a character the URL keeps escaped), holds only
// characters that come back the same from the bytes, and has no trailing slash that the
// path would lose.
bool isPlainLocalFile(const QUrl &url, const QByteArray &path)
{
    if (path.isEmpty() || !url.isLocalFile() || !url.host().isEmpty() || url.hasQuery() ||
        url.hasFragment() || !url.userInfo().isEmpty() || url.port() != -1)
        return false;
    const QString pretty = url.path(QUrl::PrettyDecoded);
    if (!pretty.startsWith(u'/') || pretty.endsWith(u'/') || pretty.size() < 2)
        return false;
    const std::array<bool, 128> &plain = plainAscii();
    for (const QChar c : pretty) {
        const char16_t u = c.unicode();
        if (u < 0x80 && u != u'/' && !plain[u])
            return false;
    }
    return true;
}

} // namespace

FileUrl::FileUrl(const QUrl &url) : FileUrl(url, LocalPath::fromUrl(url)) {}

FileUrl::FileUrl(const QUrl &url, const QByteArray &path)
{
    if (isPlainLocalFile(url, path))
        m_path = path;
    else
        m_url = url;
}

QUrl FileUrl::toUrl() const
{
    return m_path.isNull() ? m_url : LocalPath::toUrl(m_path);
}

bool FileUrl::operator==(const FileUrl &other) const
{
    if (!m_path.isNull() && !other.m_path.isNull())
        return m_path == other.m_path;
    return toUrl() == other.toUrl();
}

size_t qHash(const FileUrl &url, size_t seed) noexcept
{
    return qHash(url.toUrl(), seed);
}
