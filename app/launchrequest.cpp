#include "launchrequest.h"

#include <QDir>
#include <QRegularExpression>

namespace {

QUrl fileArgument(const QString &argument, const QString &workingDirectory)
{
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
    return QUrl::fromLocalFile(QDir::cleanPath(QDir(workingDirectory).absoluteFilePath(argument)));
}

} // namespace

LaunchRequest LaunchRequest::fromArguments(const QStringList &arguments,
                                           const QString &workingDirectory)
{
    LaunchRequest request;
    bool wantsChooser = false;
    bool optionsEnded = false;
    for (const QString &argument : arguments) {
        if (!optionsEnded && argument == u"--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument == addFilesOption()) {
            wantsChooser = true;
        } else if (!optionsEnded && argument.startsWith(u'-')) {
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
