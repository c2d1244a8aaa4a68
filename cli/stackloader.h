#pragma once

#include "clioptions.h"
#include "names/renameoperationwrapper.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class RenameEngine;

// Makes the stack a run names, piece by piece in the order given: steps given as options,
// saved workflows, built-in ones and stack files (standard input for "-"). Each failure
// comes back as the message the user reads.
class StackLoader {
public:
    StackLoader(RenameEngine &engine, const CliOptions &options);

    // Whether the stack needs the application's settings: only a saved workflow does.
    static bool readsSavedWorkflows(const CliOptions &options);

    // All the steps, in order; none when a piece cannot be read.
    std::optional<QList<RenameOperationWrapper>> steps(QString *error);
    // The steps, put into the engine at once.
    bool load(QString *error);
    bool loadSavedWorkflow(const QString &name, QString *error);

    // A file's bytes, or standard input's for "-".
    static std::optional<QByteArray> readInput(const QByteArray &path, QString *error);
    // The first step that would leave every name as it is for a reason the user can mend:
    // a regular expression that does not compile, or a template naming a group it does not
    // have. Empty when there is none.
    static QString brokenStep(const RenameEngine &engine);

private:
    std::optional<QList<RenameOperationWrapper>> stackFileSteps(const QByteArray &path,
                                                                QString *error);

    RenameEngine &m_engine;
    const CliOptions &m_options;
};
