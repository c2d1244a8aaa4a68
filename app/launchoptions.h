#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The options of the window program's command line that are answered in the terminal instead
// of reaching the window: help, the version and options it does not know. They are read up to
// "--"; everything after it is a file, whatever it starts with.
class LaunchOptions {
public:
    enum class Answer { launch, help, version };

    // What the command line asks for, read before Qt has seen it so that it works without a
    // display. The first of -h, --help and --version wins.
    static Answer answer(const QList<QByteArray> &arguments);
    // The first option the program does not know, once Qt has taken its own options out of
    // the command line.
    static std::optional<QByteArray> unknownOption(const QList<QByteArray> &arguments);

    static QString usage();
    static QString version();
    // One line for standard error, naming the option and pointing to --help.
    static QString unknownOptionMessage(const QByteArray &option);
    // The conventional status for a command line the program cannot use.
    static constexpr int badUsageStatus = 2;
};
