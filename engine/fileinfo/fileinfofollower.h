#pragma once

// Internal to the engine: not part of its interface.

#include "fileinfo/fileinfo.h"
#include "files/fileitem.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class BatchRunner;
class Preview;
class RenameJob;
struct RenameOperationWrapper;

// The engine's side of what the files say of themselves. It has the list previewed again as
// the reads' answers come in: the last ones at once, those before together, once in a
// while. A rename asked for while files are read waits here for the last answer, counting
// the reads as its progress; then it plans from the list as it is, or stops before its
// first move when the list shows problems the user has not seen.
class FileInfoFollower : public QObject {
    Q_OBJECT

public:
    using Reading = std::function<FileInfo(const QByteArray &path, bool everything)>;

    // `files` is the list that `preview` previews and `batches` renames; all three outlive
    // this.
    FileInfoFollower(const QList<FileItem> &files, Preview &preview, BatchRunner &batches,
                     QObject *parent = nullptr);

    // Whether the stack of the last preview reads file info and some files are being read.
    bool isReading() const;
    qsizetype readingCount() const;
    // Reads what `operations` need here and now, then asks for a preview; nothing when no
    // step reads file info.
    void readNow(const QList<RenameOperationWrapper> &operations);
    // Reads every listed file in full here and now, whatever is not read yet.
    void readEverythingNow();
    std::optional<qint64> dateTakenOf(qsizetype row) const;
    void setReader(Reading reader);

    // A rename that waits for the files being read before it plans.
    RenameJob *startWaitingRename();

Q_SIGNALS:
    // Answers came in, or files were read on request: the list is previewed again.
    void previewDue();

private:
    void answersArrived();
    void previewAnswers();
    void finishWaitingRename();

    const QList<FileItem> &m_files;
    Preview &m_preview;
    BatchRunner &m_batches;
    // Answers are previewed together, at most this often.
    QTimer m_previewTimer;
    QPointer<RenameJob> m_waitingRename;
    qsizetype m_waitTotal = 0;
};
