// brisklet-drag-source [--] FILE...
// Shows a small window; pressing a mouse button on it drags the files as file URLs. Prints
// "accepted" or "ignored" each time a drag ends. It keeps running until its window is closed
// or it is terminated: the target reads the dragged data from this process after the drop.
#include "dragsource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char *usage = "Usage: brisklet-drag-source [--] FILE...\n"
                              "Shows a small window; pressing a mouse button on it drags the\n"
                              "files to another window. Prints \"accepted\" or \"ignored\" when\n"
                              "each drag ends, and runs until the window is closed.\n";

} // namespace

int main(int argc, char **argv)
{
    // The arguments are read before Qt sees them: help needs no display, and an option is
    // never taken for a file name (a window would then wait for a drag nobody starts).
    QList<QByteArray> paths;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        if (options && std::strcmp(argument, "--") == 0) {
            options = false;
        } else if (options &&
                   (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
            std::fputs(usage, stdout);
            return 0;
        } else if (options && argument[0] == '-' && argument[1] != '\0') {
            std::fprintf(stderr,
                         "brisklet-drag-source: unknown option: %s\n"
                         "Try 'brisklet-drag-source --help'.\n",
                         argument);
            return 2;
        } else {
            paths.append(QByteArray(argument));
        }
    }
    if (paths.isEmpty()) {
        std::fputs("brisklet-drag-source: no file given\n", stderr);
        std::fputs(usage, stderr);
        return 2;
    }

    // Qt gets the program's name only, so a file named like one of its options stays a file.
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QList<QUrl> files;
    for (const QByteArray &path : paths)
        files.append(
            QUrl::fromLocalFile(QDir::current().absoluteFilePath(QFile::decodeName(path))));

    DragSource source(files);
    QObject::connect(&source, &DragSource::finished, &app, [](bool accepted) {
        QTextStream(stdout) << (accepted ? "accepted" : "ignored") << Qt::endl;
    });
    source.move(0, 0);
    source.show();
    return app.exec();
}
