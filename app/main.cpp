#include "appdelegate.h"
#include "applogging.h"
#include "config.h"
#include "controls/accessiblefactory.h"
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
#include <cstring>

int main(int argc, char **argv)
{
    // Answered before QApplication exists, so it works where there is no display.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("brisklet %s\n", BRISKLET_VERSION);
            return 0;
        }
    }

    QApplication app(argc, argv);
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

    // QApplication has taken its own options out of argv. The rest is read as bytes:
    // arguments() would turn a name that is not valid UTF-8 into another name.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
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
