#include "appdelegate.h"
#include "applogging.h"
#include "config.h"
#include "controls/accessiblefactory.h"
#include "launchoptions.h"
#include "launchrequest.h"
#include "renameengine.h"
#include "singleinstance.h"
#include "style/colorschemefollower.h"
#include "translationloader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QSettings>

#include <cstdio>

namespace {

// The arguments after the program's name, as bytes: a name that is not valid UTF-8 keeps
// its exact bytes.
QList<QByteArray> argumentsOf(int argc, char **argv)
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return arguments;
}

} // namespace

int main(int argc, char **argv)
{
    // Answered before QApplication exists, so it works where there is no display, and before
    // the single instance starts, so a running window is never disturbed by them.
    switch (LaunchOptions::answer(argumentsOf(argc, argv))) {
    case LaunchOptions::Answer::help:
        std::fputs(LaunchOptions::usage().toLocal8Bit().constData(), stdout);
        return 0;
    case LaunchOptions::Answer::version:
        std::fputs(LaunchOptions::version().toLocal8Bit().constData(), stdout);
        return 0;
    case LaunchOptions::Answer::launch:
        break;
    }

    QApplication app(argc, argv);
    // QApplication has taken its own options out of argv; what is left is ours or a mistake.
    const QList<QByteArray> arguments = argumentsOf(argc, argv);
    if (const std::optional<QByteArray> unknown = LaunchOptions::unknownOption(arguments)) {
        std::fputs(LaunchOptions::unknownOptionMessage(*unknown).toLocal8Bit().constData(), stderr);
        return LaunchOptions::badUsageStatus;
    }
    AccessibleFactory::install();
    QApplication::setApplicationName(QStringLiteral("Brisklet"));
    QApplication::setOrganizationName(QStringLiteral("Brisklet"));
    QApplication::setApplicationVersion(QStringLiteral(BRISKLET_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(BRISKLET_APP_ID));
    QApplication::setQuitOnLastWindowClosed(false);
    // Before any text is made: every window, menu and message reads it once, when it is built.
    TranslationLoader::install(app);
    QApplication::setWindowIcon(QIcon::fromTheme(
        QStringLiteral(BRISKLET_APP_ID), QIcon(QStringLiteral(":/app.brisklet.Brisklet.svg"))));

    // Read as bytes: arguments() would turn a name that is not valid UTF-8 into another name.
    const LaunchRequest request =
        LaunchRequest::fromArguments(arguments, QFile::encodeName(QDir::currentPath()));
    SingleInstance instance;
    switch (instance.start(request)) {
    case SingleInstance::Role::forwarded:
        return 0;
    case SingleInstance::Role::failed:
        qCWarning(lcApp).noquote()
            << "running without single-instance support:" << instance.errorString();
        break;
    case SingleInstance::Role::primary:
        break;
    }

    // The desktop's dark or light preference, read before the first window and followed after.
    const ColorSchemeFollower colorScheme(ColorSchemeFollower::sessionBus());

    // The engine exists before any file can arrive.
    AppDelegate delegate(std::make_unique<QSettings>(), std::make_unique<RenameEngine>());
    QObject::connect(&instance, &SingleInstance::requestReceived, &delegate, &AppDelegate::handle);
    delegate.applicationDidFinishLaunching();
    if (request.action != LaunchRequest::Action::showWindow)
        delegate.handle(request);
    return app.exec();
}
