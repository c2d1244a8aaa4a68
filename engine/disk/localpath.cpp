#include "disk/localpath.h"

#include "names/unicodetext.h"

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

QString decodeName(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    // Qt's decoder is the quick way; only a name it had to mend is decoded again, byte by
    // byte. A U+FFFD it gave may also be one the name really holds.
    if (!text.contains(QChar::ReplacementCharacter) || bytes.isValidUtf8())
        return text;
    text.clear();
    text.reserve(bytes.size());
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const auto continuation = [&](qsizetype i, unsigned char low, unsigned char high) {
        return i < bytes.size() && byteAt(i) >= low && byteAt(i) <= high;
    };
    qsizetype i = 0;
    while (i < bytes.size()) {
        const unsigned char lead = byteAt(i);
        // The length of the character that starts here, and the range its second byte must
        // be in: no overlong form, no surrogate, nothing above U+10FFFF.
        qsizetype length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3;
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
        else if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
        bool whole = length > 0 && (length == 1 || continuation(i + 1, low, high));
        for (qsizetype k = 2; whole && k < length; ++k)
            whole = continuation(i + k, 0x80, 0xBF);
        if (!whole) {
            text.append(QChar(char16_t(0xDC00 + lead)));
            ++i;
            continue;
        }
        char32_t codePoint = length == 1 ? lead : lead & (0x7F >> length);
        for (qsizetype k = 1; k < length; ++k)
            codePoint = (codePoint << 6) | (byteAt(i + k) & 0x3F);
        if (QChar::requiresSurrogates(codePoint))
            text.append(QChar(QChar::highSurrogate(codePoint)))
                .append(QChar(QChar::lowSurrogate(codePoint)));
        else
            text.append(QChar(char16_t(codePoint)));
        i += length;
    }
    return text;
}

bool hasEscapedBytes(QStringView name)
{
    for (const QChar c : name) {
        if (isEscapedByte(c.unicode()))
            return true;
    }
    return false;
}

QString readable(const QString &name)
{
    if (!hasEscapedBytes(name))
        return name;
    QString text = name;
    for (QChar &c : text) {
        if (isEscapedByte(c.unicode()))
            c = QChar::ReplacementCharacter;
    }
    return text;
}

std::optional<QByteArray> encodeName(const QString &name)
{
    if (name.contains(QChar(0)))
        return std::nullopt;
    if (QStringView(name).isValidUtf16())
        return name.toUtf8();
    // Escaped bytes go back to the bytes they stand for, one at a time; any other lone
    // surrogate has no bytes.
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        if (!c.isSurrogate())
            continue;
        if (!isEscapedByte(c.unicode()))
            return std::nullopt;
        bytes.append(QStringView(name).sliced(start, i - start).toUtf8());
        bytes.append(char(c.unicode() - 0xDC00));
        start = i + 1;
    }
    bytes.append(QStringView(name).sliced(start).toUtf8());
    return bytes;
}

bool isInside(const QByteArray &path, const QByteArray &folder)
{
    if (folder == "/")
        return path.size() > 1 && path.startsWith('/');
    return path.size() > folder.size() + 1 && path.startsWith(folder) &&
           path.at(folder.size()) == '/';
}

} // namespace LocalPath
