#include "clioutput.h"

#include <cstdio>
#include <cstring>

namespace CliOutput {

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
