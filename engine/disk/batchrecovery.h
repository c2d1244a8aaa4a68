#pragma once

// Internal to the engine: not part of its interface.

#include "disk/movejournal.h"
#include "disk/recoveryreport.h"

#include <QHash>

class FileMover;

// Replays the journals that batches cut short left behind. Every item found under a
// temporary name goes to its destination when that is free, otherwise back to its source
// when that is free, otherwise stays where it is and is reported. When an item is stuck
// because the rest of its cycle had not moved yet, the journal's remaining moves that lead
// to a free name are made first, as the batch would have made them. Nothing is replaced:
// every step goes through the mover, which never replaces an item.
//
// A move cut short between its two steps on disk is put right first: an empty reservation
// the move made under the new name is removed, and of an item found under both names the
// old one is, so that the move is complete. Only what the journal names, still as it was
// made, is ever removed.
class BatchRecovery {
public:
    explicit BatchRecovery(FileMover &mover) : m_mover(mover) {}

    // Replays every journal in `folder` that no running batch holds.
    RecoveryReport run(const QByteArray &folder);
    // Replays one journal's records, adding what it did to the report.
    void replay(const MoveJournal::Contents &contents, RecoveryReport &report);

private:
    void settle(const MoveJournal::OpenStep &step);
    bool exists(const QByteArray &path);
    bool freePath(const QByteArray &path, const MoveJournal::Contents &contents,
                  const QHash<QByteArray, qsizetype> &recordFrom, RecoveryReport &report);

    FileMover &m_mover;
};
