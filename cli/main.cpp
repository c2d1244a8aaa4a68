#include "clicommand.h"
#include "clioptions.h"
#include "config.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    // The arguments are read as bytes before Qt sees them: a path that is not valid UTF-8
    // must keep its exact bytes.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));

    QCoreApplication app(argc, argv);
    // The same settings store as the application, so saved workflows are found.
    QCoreApplication::setApplicationName(QStringLiteral("Brisklet"));
    QCoreApplication::setOrganizationName(QStringLiteral("Brisklet"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRISKLET_VERSION));

    QString error;
    CliOptions options = CliOptions::parse(arguments, &error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "brisklet-cli: %s\n", error.toUtf8().constData());
        return int(ExitStatus::badUsage);
    }
    CliCommand command(std::move(options), QFile::encodeName(QDir::currentPath()));
    const int status = int(command.run());
    std::fflush(stdout);
    return status;
}
