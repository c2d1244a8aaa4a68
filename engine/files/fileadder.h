#pragma once

// Internal to the engine: not part of its interface.

#include "files/fileitem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QUrl>

class BatchRunner;
class FileMover;
class RenameJob;

// Adds files to the end of the list, each listed once. A large hand-over is read on a worker,
// as a job of kind `add` under the batches' busy state, and its rows join the list when it
// finishes. Nothing is added while a job runs: the rows of a batch keep their places until
// its outcome is taken in.
class FileAdder : public QObject {
    Q_OBJECT

public:
    // From this many URLs on, startAdding() reads the files on a worker.
    static constexpr qsizetype inBackgroundFrom = 50000;

    // `files` is the list added to, `mover` reads each file's identity and `batches` runs
    // the jobs; all three outlive this.
    FileAdder(QList<FileItem> &files, FileMover &mover, BatchRunner &batches,
              QObject *parent = nullptr);

    void add(const QList<QUrl> &urls);
    // The same for local files given by their exact path bytes.
    void addPaths(const QList<QByteArray> &paths);
    // Null when the files were added here and now, or nothing was added while busy.
    RenameJob *startAdding(const QList<QUrl> &urls);

Q_SIGNALS:
    // An add ended: `count` rows joined the end of the list, none when every file was
    // listed already.
    void added(qsizetype count);

private:
    QList<FileItem> &m_files;
    FileMover &m_mover;
    BatchRunner &m_batches;
};
