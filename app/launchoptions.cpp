#include "launchoptions.h"

#include "config.h"
#include "launchrequest.h"

namespace {

bool isEndOfOptions(const QByteArray &argument)
{
    return argument == "--";
}

} // namespace

LaunchOptions::Answer LaunchOptions::answer(const QList<QByteArray> &arguments)
{
    for (const QByteArray &argument : arguments) {
        if (isEndOfOptions(argument))
            break;
        if (argument == "-h" || argument == "--help")
            return Answer::help;
        if (argument == "--version")
            return Answer::version;
    }
    return Answer::launch;
}

std::optional<QByteArray> LaunchOptions::unknownOption(const QList<QByteArray> &arguments)
{
    const QByteArray addFiles = LaunchRequest::addFilesOption().toLatin1();
    for (const QByteArray &argument : arguments) {
        if (isEndOfOptions(argument))
            break;
        // A lone "-" is no file name a launcher gives, and standard input is not read.
        if (argument.startsWith('-') && argument != addFiles)
            return argument;
    }
    return std::nullopt;
}

QString LaunchOptions::usage()
{
    return QStringLiteral(
        "Usage: brisklet [--add-files] [--] [FILE...]\n"
        "\n"
        "Renames many files at once, with a preview of every new name. Only one Brisklet\n"
        "runs at a time: a later start hands its files to the running window.\n"
        "\n"
        "  FILE...        files or folders to list, as paths or file:// URIs; after --,\n"
        "                 a name starting with - is a file too\n"
        "  --add-files    show the window and the file chooser\n"
        "  -h, --help     print this help\n"
        "  --version      print the version\n"
        "\n"
        "Qt's own options (such as -platform or -style) are accepted too.\n"
        "The command line tool brisklet-cli renames without a window.\n");
}

QString LaunchOptions::version()
{
    return QStringLiteral("brisklet %1\n").arg(QStringLiteral(BRISKLET_VERSION));
}

QString LaunchOptions::unknownOptionMessage(const QByteArray &option)
{
    return QStringLiteral("brisklet: unknown option %1 (see --help)\n")
        .arg(QString::fromLocal8Bit(option));
}
