#pragma once

#include "clioptions.h"

#include <QByteArray>
#include <QString>

#include <optional>

class RenameEngine;

// Puts the stack a run names into the engine: a saved workflow, a built-in one, or a stack
// file (standard input for "-"). Each failure comes back as the message the user reads.
class StackLoader {
public:
    StackLoader(RenameEngine &engine, const CliOptions &options);

    bool load(QString *error);
    bool loadSavedWorkflow(const QString &name, QString *error);

    // A file's bytes, or standard input's for "-".
    static std::optional<QByteArray> readInput(const QByteArray &path, QString *error);
    // The first step that would leave every name as it is for a reason the user can mend:
    // a regular expression that does not compile, or a template naming a group it does not
    // have. Empty when there is none.
    static QString brokenStep(const RenameEngine &engine);

private:
    RenameEngine &m_engine;
    const CliOptions &m_options;
};
