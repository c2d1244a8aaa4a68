#include "files/fileurl.h"

#include "disk/localpath.h"

#include <QHashFunctions>

namespace {

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
    for (const QChar c : pretty) {
        const char16_t u = c.unicode();
        if (u < 0x80 && !LocalPath::isPlainAscii(u))
            return false;
    }
    return true;
}

} // namespace

FileUrl::FileUrl(const QUrl &url) : FileUrl(url, LocalPath::fromUrl(url)) {}

FileUrl FileUrl::fromLocalPath(const QByteArray &path)
{
    if (!LocalPath::isPlainAsciiPath(path))
        return FileUrl(LocalPath::toUrl(path), path);
    // The URL of such a path is plain by construction; no need to make it and look.
    FileUrl url;
    url.m_path = path;
    Q_ASSERT(isPlainLocalFile(LocalPath::toUrl(path), path));
    return url;
}

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
