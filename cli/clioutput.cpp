#include "clioutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace CliOutput {

QString escaped(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size());
    const auto octal = [&out](unsigned char byte) {
        out += '\\';
        out += char('0' + (byte >> 6));
        out += char('0' + ((byte >> 3) & 7));
        out += char('0' + (byte & 7));
    };
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x80) {
            const qsizetype length = byte >= 0xf0 ? 4 : byte >= 0xe0 ? 3 : byte >= 0xc0 ? 2 : 1;
            const QByteArrayView character = bytes.sliced(i, std::min(length, bytes.size() - i));
            // U+0080 to U+009F are control characters too.
            const bool control = byte == 0xc2 && character.size() == 2 &&
                                 static_cast<unsigned char>(character[1]) < 0xa0;
            if (length > 1 && character.size() == length && character.isValidUtf8() && !control) {
                out += character;
                i += length;
            } else {
                octal(byte);
                ++i;
            }
            continue;
        }
        if (byte == '\\')
            out += "\\\\";
        else if (byte >= 0x07 && byte <= 0x0d)
            out += QByteArrayView("\\a\\b\\t\\n\\v\\f\\r").sliced((byte - 0x07) * 2, 2);
        else if (byte < 0x20 || byte == 0x7f)
            octal(byte);
        else
            out += char(byte);
        ++i;
    }
    return QString::fromUtf8(out);
}

QString counted(qsizetype count, const char *noun)
{
    return QString::number(count) % u' ' % QLatin1String(noun) %
           (count == 1 ? QString() : QStringLiteral("s"));
}

void write(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

ExitStatus fail(ExitStatus status, const QString &message)
{
    std::fprintf(stderr, "brisklet-cli: %s\n", message.toUtf8().constData());
    return status;
}

QString systemReason(int error)
{
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

} // namespace CliOutput
