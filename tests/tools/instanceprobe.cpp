// Starts as Brisklet does to keep to one instance:
//   brisklet-instance-probe RUNTIME_DIR EXPECTED_REQUESTS [launch arguments...]
// Prints "primary", "forwarded" or "failed: reason"; a primary prints "request ACTION URL..."
// per request and exits once EXPECTED_REQUESTS have arrived (code 3 after 8 s without).
#include "launchrequest.h"
#include "singleinstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Brisklet")); // not the executable's
    QStringList arguments = app.arguments();
    if (arguments.size() < 3)
        return 2;
    const QString runtimeDirectory = arguments.at(1);
    const int expected = arguments.at(2).toInt();
    arguments = arguments.mid(3);

    QTextStream out(stdout);
    SingleInstance instance(runtimeDirectory);
    const LaunchRequest own = LaunchRequest::fromArguments(arguments, QDir::currentPath());
    switch (instance.start(own)) {
    case SingleInstance::Role::forwarded:
        out << "forwarded\n";
        return 0;
    case SingleInstance::Role::failed:
        out << "failed: " << instance.errorString() << '\n';
        return 1;
    case SingleInstance::Role::primary:
        out << "primary\n";
        out.flush();
        break;
    }

    int received = 0;
    QObject::connect(&instance, &SingleInstance::requestReceived, &app,
                     [&](const LaunchRequest &request) {
                         out << "request " << int(request.action);
                         for (const QUrl &url : request.files)
                             out << ' ' << url.toString(QUrl::FullyEncoded);
                         out << '\n';
                         out.flush();
                         if (++received >= expected)
                             QCoreApplication::quit();
                     });
    if (expected <= 0)
        return 0;
    QTimer::singleShot(8000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
