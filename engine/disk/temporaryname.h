#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>
#include <QString>

// Names an item takes for a moment while it moves, always in its own folder and hidden
// (they start with a dot), and what the user is told when an item is left under one.
namespace TemporaryName {

// A random tag shared by the names of one batch, so that its names differ from any other
// batch's.
QByteArray newBatchTag();
// Where the move at `index` of a batch steps aside for a swap or a cycle.
QByteArray swapName(const QByteArray &batchTag, qsizetype index);
// What every swap name of a batch starts with; the index follows in hexadecimal.
QByteArray swapNamePrefix(const QByteArray &batchTag);
// A random name for the middle step of a case-only or normalization-only change.
QByteArray caseChangeName();
// A random name created and removed at once, to learn whether a folder takes new entries.
QByteArray probeName();

// Told after a failure that left the item under a temporary name, or another name it did
// not ask for; starts with a space, to follow the failure's own sentence.
QString nowNamed(const QByteArray &name);

} // namespace TemporaryName
