#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QUrl>

// What one launch of the program asks for. A second launch hands it to the running instance.
struct LaunchRequest {
    enum class Action : quint8 {
        showWindow = 0, // a bare launch: bring the window back
        openFiles = 1,  // files given on the command line: add them, show the window
        addFiles = 2,   // --add-files: show the window, then the file chooser
    };

    Action action = Action::showWindow;
    QList<QUrl> files; // in the order given; only for openFiles

    static QString addFilesOption() { return QStringLiteral("--add-files"); }

    // Reads the command line without the program name. "--add-files" asks for the chooser;
    // every argument after "--", and every one not starting with "-", is a file: a file://
    // URI, another URI of the form scheme://…, or a path, relative ones taken against
    // workingDirectory. Other options are skipped (the program refuses them before this).
    // Files win over --add-files: the launch that names files opens them.
    static LaunchRequest fromArguments(const QStringList &arguments,
                                       const QString &workingDirectory);
    // The same from the command line's own bytes, which need not be valid UTF-8: a path
    // keeps its exact bytes in the URL.
    static LaunchRequest fromArguments(const QList<QByteArray> &arguments,
                                       const QByteArray &workingDirectory);

    friend bool operator==(const LaunchRequest &, const LaunchRequest &) = default;
};

Q_DECLARE_METATYPE(LaunchRequest)
