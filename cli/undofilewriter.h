#pragma once

#include "batches/undooperation.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The undo file of one batch as it runs. It holds the batch's plan before anything moves,
// so a batch never runs without one and a killed one can still be taken back; once the
// batch is over it holds what the batch did.
class UndoFileWriter {
public:
    UndoFileWriter() = default;
    ~UndoFileWriter();
    UndoFileWriter(const UndoFileWriter &) = delete;
    UndoFileWriter &operator=(const UndoFileWriter &) = delete;

    // Creates the file at `requestedPath` (taken against `workingDirectory` when relative),
    // or under a new name in the default folder when none is given. False, with the
    // message in `error`, when it cannot be created.
    bool create(const std::optional<QByteArray> &requestedPath, const QByteArray &workingDirectory,
                QString *error);
    // Writes the real renames of the plan; false when the disk refuses it, and the batch
    // must not run.
    bool writePlan(const UndoOperation &plan);
    // Why the plan could not be written; empty when it was.
    QString planFailure() const;
    // Completes the file once the batch made the real renames of `done`, and closes it. Should
    // that fail, the plan stays, which takes back what moved all the same.
    void finish(const UndoOperation &done);
    // Closes and removes the file of a batch that made no move.
    void discard();

    const QByteArray &path() const { return m_path; }

    // The entries of `operation` whose name changed. A file whose new name is its name is
    // moved onto itself with the others: there is nothing of it to take back.
    static UndoOperation realRenames(const UndoOperation &operation);

private:
    void complete(const UndoOperation &done);
    void close();

    QByteArray m_path;
    int m_descriptor = -1;
    UndoOperation m_planned;
    qsizetype m_flagOffset = -1;
    QString m_writeError;
};
