#pragma once

#include "names/renameoperationwrapper.h"

#include <QByteArray>
#include <QString>

// One piece of the stack as the command line names it, in its place among the others: a
// step given as options, or the steps of a saved workflow, a built-in one or a stack file.
struct StackPiece {
    enum class Kind { step, savedWorkflow, systemWorkflow, stackFile };

    Kind kind = Kind::step;
    RenameOperationWrapper step; // Kind::step
    QString workflowName;        // Kind::savedWorkflow, Kind::systemWorkflow
    QByteArray stackFilePath;    // Kind::stackFile; "-" is standard input
};
