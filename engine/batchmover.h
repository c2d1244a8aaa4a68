#pragma once

#include "filemover.h"

#include <QList>
#include <QString>

#include <functional>

// Carries out one batch of moves so that a valid batch succeeds whatever its order:
// a move whose destination is the current place of another item of the same batch waits
// until that item has left, and items that form a cycle (a→b, b→a, or longer) step
// aside through a unique temporary name in their folder first. Nothing is replaced: a
// destination held by anything outside the batch still fails.
class BatchMover {
public:
    struct Move {
        QString sourcePath;
        QString destinationPath;
    };
    struct Outcome {
        bool succeeded = false;
        QString errorDescription;
        // Where the item is now: the destination after a success; after a failure its
        // source, or the temporary name it was left under when it could not go back.
        QString currentPath;
    };
    using Progress = std::function<void(qsizetype done, qsizetype total)>;

    explicit BatchMover(FileMover &mover) : m_mover(mover) {}

    // One result per move, in the order given. `progress` hears of every finished move.
    QList<Outcome> run(const QList<Move> &moves, const Progress &progress = {});

private:
    FileMover &m_mover;
};
