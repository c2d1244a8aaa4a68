#pragma once

#include "renameoperationwrapper.h"

#include <functional>

class RenameEngine;

// Where an editor reads and writes the one operation it edits. Reads and writes reach the
// record in place, so switching modes and coming back finds what was typed before.
struct OperationBinding {
    std::function<RenameOperationWrapper()> read;
    std::function<void(const RenameOperationWrapper &)> write;
    // Why the operation's regular expression leaves every name as it is (empty when it
    // works); may be left unset.
    std::function<QString()> patternProblem;

    bool isValid() const { return bool(read) && bool(write); }

    // The operation at a position of the engine's stack. Writing does not run the preview;
    // that is the editor's change callback's job, once the value is in place.
    static OperationBinding toEngine(RenameEngine *engine, qsizetype index);
};
