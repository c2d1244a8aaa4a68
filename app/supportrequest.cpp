#include "supportrequest.h"

#include "buildsettings.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>

namespace {

bool staysUnencoded(char byte)
{
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9'))
        return true;
    switch (byte) {
    // unreserved
    case '-':
    case '.':
    case '_':
    case '~':
    // sub-delims other than "&" and "=", which separate the fields of a mailto: query
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case ';':
    // the rest of what a query may hold
    case ':':
    case '@':
    case '/':
    case '?':
        return true;
    default:
        return false;
    }
}

} // namespace

QString SupportRequest::supportAddress()
{
    return QStringLiteral(BRISKLET_SUPPORT_EMAIL);
}

QString SupportRequest::applicationName(const QString &name)
{
    return name.isEmpty() ? QStringLiteral("App") : name;
}

QString SupportRequest::defaultSubject(const QString &applicationName)
{
    return applicationName + QStringLiteral(" Support Request");
}

QString SupportRequest::body(const QString &applicationName)
{
    return QStringLiteral("Hello ") + applicationName +
           QStringLiteral(" Team,\n\nI need assistance with the following:\n\n");
}

QString SupportRequest::percentEncodeQueryValue(QStringView text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    QString encoded;
    encoded.reserve(utf8.size() * 3);
    for (const char byte : utf8) {
        if (staysUnencoded(byte)) {
            encoded.append(QLatin1Char(byte));
        } else {
            const auto value = static_cast<unsigned char>(byte);
            encoded.append(u'%');
            encoded.append(QLatin1Char(hex[value >> 4]));
            encoded.append(QLatin1Char(hex[value & 0x0F]));
        }
    }
    return encoded;
}

QString SupportRequest::mailtoText(const QString &address, const QString &applicationName,
                                   const std::optional<QString> &subject)
{
    const QString name = SupportRequest::applicationName(applicationName);
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=") +
           percentEncodeQueryValue(subject.value_or(defaultSubject(name))) +
           QStringLiteral("&body=") + percentEncodeQueryValue(body(name));
}

void SupportRequest::sendSupportRequest(const std::optional<QString> &subject,
                                        const UrlOpener &opener)
{
    const QString text = mailtoText(supportAddress(), QCoreApplication::applicationName(), subject);
    const QUrl url = QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
    if (!url.isValid())
        return;
    if (opener)
        opener(url);
    else
        QDesktopServices::openUrl(url);
}
