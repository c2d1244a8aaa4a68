#include "launchrequest.h"

#include "disk/localpath.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// A path is taken by its bytes, so a name that is not valid UTF-8 still names its own file.
// Latin-1 maps every byte to one character and back, which lets QDir clean the path.
QUrl fileArgument(const QByteArray &argumentBytes, const QByteArray &workingDirectory)
{
    const QString argument = QString::fromUtf8(argumentBytes);
    // A URI names its scheme before "://" (or "file:" alone); anything else is a path, even
    // one with a colon in a file name.
    static const QRegularExpression uriPattern(
        QStringLiteral("^(?:[A-Za-z][A-Za-z0-9+.-]*://|file:)"));
    if (uriPattern.match(argument).hasMatch()) {
        if (const QUrl url(argument, QUrl::StrictMode); url.isValid())
            return url;
        // Some launchers leave spaces and the like unescaped.
        if (const QUrl url(argument, QUrl::TolerantMode); url.isValid())
            return url;
    }
    const QByteArray path =
        argumentBytes.startsWith('/') ? argumentBytes : workingDirectory + '/' + argumentBytes;
    return LocalPath::toUrl(QDir::cleanPath(QString::fromLatin1(path)).toLatin1());
}

} // namespace

LaunchRequest LaunchRequest::fromArguments(const QStringList &arguments,
                                           const QString &workingDirectory)
{
    QList<QByteArray> bytes;
    bytes.reserve(arguments.size());
    for (const QString &argument : arguments)
        bytes.append(QFile::encodeName(argument));
    return fromArguments(bytes, QFile::encodeName(workingDirectory));
}

LaunchRequest LaunchRequest::fromArguments(const QList<QByteArray> &arguments,
                                           const QByteArray &workingDirectory)
{
    LaunchRequest request;
    bool wantsChooser = false;
    bool optionsEnded = false;
    const QByteArray addFiles = addFilesOption().toLatin1();
    for (const QByteArray &argument : arguments) {
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == addFiles) {
            wantsChooser = true;
        } else if (!optionsEnded && argument.startsWith('-')) {
            continue;
        } else if (!argument.isEmpty()) {
            request.files.append(fileArgument(argument, workingDirectory));
        }
    }
    if (!request.files.isEmpty())
        request.action = Action::openFiles;
    else if (wantsChooser)
        request.action = Action::addFiles;
    return request;
}
