#pragma once

#include "disk/movesteps.h"
#include "files/itemidentity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The plan of one batch of moves (or of one undo), on disk before its first move and gone
// after its last. A process that dies in between (a crash, a kill, a power cut) leaves it
// behind, and the next launch finds every item the batch had put under a temporary name.
//
// The file holds a header line and then four NUL-terminated fields per move: the source
// path, the name the item takes while it steps aside for a cycle, the destination name
// (both in the source's folder) and the identity of the item. Paths are bytes and can
// hold anything but NUL, so no other separator is safe.
//
// A move that takes two steps on disk (see MoveSteps) adds a record of four fields while
// it runs: "@link" or "@reservation", the two paths and the item's identity, size and
// modification time; "@end" and three empty fields follow when the step is over.
class MoveJournal : public MoveSteps {
public:
    enum class Kind { batch, undo };
    struct Record {
        QByteArray sourcePath;
        QByteArray temporaryName;
        QByteArray destinationName;
        std::optional<ItemIdentity> identity;
    };
    // A two-step move that had not ended.
    struct OpenStep {
        Step step = Step::link;
        QByteArray from;
        QByteArray to;
        // The item at `from` for a link, the reservation for a reservation.
        ItemIdentity identity;
        quint64 size = 0;
        qint64 modifiedSeconds = 0;
        qint64 modifiedNanoseconds = 0;
    };
    struct Contents {
        Kind kind = Kind::batch;
        QList<Record> records;
        std::optional<OpenStep> openStep;
    };

    MoveJournal() = default;
    MoveJournal(const MoveJournal &) = delete;
    MoveJournal &operator=(const MoveJournal &) = delete;
    ~MoveJournal() override;

    // $XDG_STATE_HOME/brisklet, or ~/.local/state/brisklet when the variable is unset.
    static QByteArray folder();

    // Writes the plan, `serialized` as serialize() gives it (header() and then appendRecord()
    // for each move), and flushes it to the disk. The file stays locked while this object
    // holds it, so that a recovery never replays a batch that is still running. False when
    // it cannot be written, with the sentence that tells the user so and why: then the
    // batch must not start.
    bool begin(const QByteArray &serialized, QString *error);
    // Removes the journal: the batch has ended, however it went.
    void end();

    static QByteArray serialize(Kind kind, const QList<Record> &records);
    static QByteArray header(Kind kind);
    static void appendRecord(QByteArray &bytes, QByteArrayView sourcePath,
                             QByteArrayView temporaryName, QByteArrayView destinationName,
                             const std::optional<ItemIdentity> &identity);
    static std::optional<Contents> parse(const QByteArray &bytes);

    // Written to the file as they come, not flushed to the disk: they guard against a killed
    // process, and a batch on a file system that needs them takes many times longer than a
    // flush on each step would add.
    void stepStarted(Step step, const QByteArray &from, const QByteArray &to,
                     const struct stat &item) override;
    void stepEnded() override;

private:
    QByteArray m_path;
    int m_descriptor = -1;
};
