#pragma once

#include "files/fileorder.h"
#include "stackpiece.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The command line, read as bytes: a path need not be valid UTF-8, so none goes through
// text on its way to the file system.
struct CliOptions {
    enum class Command {
        rename,
        revert,
        exportWorkflow,
        listWorkflows,
        help,
        version,
        printStack,
        saveWorkflow,
        deleteWorkflow
    };
    // When the table is coloured: `automatic` on a terminal, unless NO_COLOR is set.
    enum class Colour { automatic, always, never };

    Command command = Command::rename;
    QString workflowName; // --export-workflow
    QByteArray revertFilePath;
    std::optional<QByteArray> undoFilePath;
    QList<QByteArray> files; // as given: paths or file:// URIs
    bool nullSeparatedInput = false;
    bool apply = false;
    bool skipProblems = false;
    bool json = false;
    Colour colour = Colour::automatic;
    // --sort: the files are put in this order before the steps number them.
    std::optional<SortKey> sortKey;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    // The stack: steps given as options and the workflows and stack files named, in the
    // order given.
    QList<StackPiece> stack;
    // --save-workflow NAME, taken as typed; --overwrite lets it replace a saved one.
    QString saveName;
    bool overwrite = false;
    // --edit: the new names go through the user's editor before they are judged.
    bool edit = false;
    // -r: a folder stands for the files below it; --hidden takes hidden ones too.
    bool recursive = false;
    bool hidden = false;

    // Nothing but the options on success; otherwise `error` says what is wrong.
    static CliOptions parse(const QList<QByteArray> &arguments, QString *error);
    static QString usage();
};
