#include "localpath.h"

#include "unicodetext.h"

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
    return QUrl::fromEncoded(QByteArrayLiteral("file://") + path.toPercentEncoding("/"),
                             QUrl::StrictMode);
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
    return path.left(nameStart(path)) + name;
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
