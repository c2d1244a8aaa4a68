#pragma once

#include "itemidentity.h"

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
class MoveJournal {
public:
    enum class Kind { batch, undo };
    struct Record {
        QByteArray sourcePath;
        QByteArray temporaryName;
        QByteArray destinationName;
        std::optional<ItemIdentity> identity;
    };
    struct Contents {
        Kind kind = Kind::batch;
        QList<Record> records;
    };

    MoveJournal() = default;
    MoveJournal(const MoveJournal &) = delete;
    MoveJournal &operator=(const MoveJournal &) = delete;
    ~MoveJournal();

    // $XDG_STATE_HOME/brisklet, or ~/.local/state/brisklet when the variable is unset.
    static QByteArray folder();

    // Writes the plan, `serialized` as serialize() gives it (header() and then appendRecord()
    // for each move), and flushes it to the disk. The file stays locked while this object
    // holds it, so that a recovery never replays a batch that is still running. False, with
    // a readable reason, when it cannot be written.
    bool begin(const QByteArray &serialized, QString *error);
    // Removes the journal: the batch has ended, however it went.
    void end();

    static QByteArray serialize(Kind kind, const QList<Record> &records);
    static QByteArray header(Kind kind);
    static void appendRecord(QByteArray &bytes, QByteArrayView sourcePath,
                             QByteArrayView temporaryName, QByteArrayView destinationName,
                             const std::optional<ItemIdentity> &identity);
    static std::optional<Contents> parse(const QByteArray &bytes);

private:
    QByteArray m_path;
    int m_descriptor = -1;
};
