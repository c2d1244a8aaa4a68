#pragma once

#include "disk/filemover.h"
#include "disk/movejournal.h"
#include "files/itemidentity.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

// Carries out one batch of moves so that a valid batch succeeds whatever its order:
// a move whose destination is the current place of another item of the same batch waits
// until that item has left, and items that form a cycle (a→b, b→a, or longer) step
// aside through a unique temporary name in their folder first. Nothing is replaced: a
// destination held by anything outside the batch still fails. Items deeper in the folder
// tree move before the folders that hold them, so that their paths stay valid.
//
// Before its first move, the batch writes its plan to a journal, so that a crash never
// leaves an item under a temporary name that nobody knows of. A batch whose journal cannot
// be written does not start.
class BatchMover {
public:
    struct Move {
        QByteArray sourcePath;
        QByteArray destinationPath;
        // The item the source is expected to hold. A source that holds another item by
        // the time its turn comes is not moved.
        std::optional<ItemIdentity> identity;
    };
    struct Outcome {
        bool succeeded = false;
        // The source held another item than the one expected; nothing was moved.
        bool replaced = false;
        QString errorDescription;
        // Where the item is now: the destination after a success; after a failure its
        // source, or the temporary name it was left under when it could not go back.
        QByteArray currentPath;
        // The item at the destination after a success.
        std::optional<ItemIdentity> identity;
        // The place of a successful move in the order the moves were made.
        qsizetype sequence = -1;
        // The batch did not start, since its journal could not be written; nothing moved,
        // and the error description says why.
        bool notStarted = false;
    };
    using Progress = std::function<void(qsizetype done, qsizetype total)>;

    static QString replacedDescription();
    // Why the batch with these outcomes did not start; empty when it ran.
    static QString refusal(const QList<Outcome> &outcomes);
    static QString vanishedDescription();

    BatchMover(FileMover &mover, MoveJournal::Kind kind) : m_mover(mover), m_kind(kind) {}

    // One result per move, in the order given. `progress` hears of every finished move.
    QList<Outcome> run(const QList<Move> &moves, const Progress &progress = {});

private:
    void runGroup(const std::vector<qsizetype> &group);
    void runInOrder(const std::vector<qsizetype> &group);
    bool isStillListedItem(qsizetype i);
    FileMover::Result moveFrom(qsizetype i, const QByteArray &from);
    bool isOnVanishedMount(qsizetype i) const;
    void finish(qsizetype i, const FileMover::Result &result, const QByteArray &currentPath);

    FileMover &m_mover;
    MoveJournal::Kind m_kind;
    // State of one run.
    const QList<Move> *m_moves = nullptr;
    QByteArray m_batchTag; // the temporary names of this run are made from it
    QList<Outcome> m_results;
    // The item each source held when it was checked, just before its first move.
    QList<std::optional<ItemIdentity>> m_checked;
    std::vector<bool> m_finished;
    Progress m_progress;
    qsizetype m_done = 0;
    qsizetype m_sequence = 0;
};
