#include "supportrequest.h"

#include "config.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

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
    // Unreserved characters always stay; of the rest, only what may stand in a query
    // without meaning something there. "&" and "=" separate the fields of a mailto: query.
    return QString::fromLatin1(QUrl::toPercentEncoding(text.toString(), "!$'()*+,;:@/?"));
}

QString SupportRequest::mailtoText(const QString &address, const QString &applicationName,
                                   const std::optional<QString> &subject)
{
    const QString name = SupportRequest::applicationName(applicationName);
    return QStringLiteral("mailto:") + address + QStringLiteral("?subject=") +
           percentEncodeQueryValue(subject.value_or(defaultSubject(name))) +
           QStringLiteral("&body=") + percentEncodeQueryValue(body(name));
}

bool SupportRequest::hasMailProgram()
{
    // The desktop's opener starts even when nothing handles mailto:, and then nothing
    // happens; asking which program handles it tells the two apart.
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
        return false;
    QProcess process;
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"),
                          QStringLiteral("x-scheme-handler/mailto")});
    if (!process.waitForFinished(2000)) {
        process.kill();
        process.waitForFinished(1000);
        return false;
    }
    return process.exitCode() == 0 && !process.readAllStandardOutput().trimmed().isEmpty();
}

bool SupportRequest::sendSupportRequest(const std::optional<QString> &subject,
                                        const UrlOpener &opener)
{
    const QString text = mailtoText(supportAddress(), QCoreApplication::applicationName(), subject);
    const QUrl url = QUrl::fromEncoded(text.toUtf8(), QUrl::StrictMode);
    if (!url.isValid())
        return false;
    if (opener)
        return opener(url);
    return hasMailProgram() && QDesktopServices::openUrl(url);
}
