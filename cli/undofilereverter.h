#pragma once

#include "batches/undooperation.h"
#include "exitstatus.h"
#include "undofile.h"

#include <QByteArray>

class FileMover;
class RenameEngine;

// Takes back the batch of an undo file: all of a finished one, and of a plan only the
// renames its batch made before it stopped. Says on standard output how many came back.
class UndoFileReverter {
public:
    explicit UndoFileReverter(RenameEngine &engine);

    // `filePath` names the undo file in the messages.
    ExitStatus revert(UndoFile::Contents contents, const QByteArray &filePath);

private:
    // The renames of a plan that were made before its batch stopped, where they are.
    static UndoOperation madeRenames(const UndoOperation &planned, FileMover &mover);

    RenameEngine &m_engine;
};
