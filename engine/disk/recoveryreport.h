#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

// What the launch found of batches that were cut short (a crash, a kill, a power cut), and
// where every item they had put under a temporary name is now.
struct RecoveryReport {
    Q_DECLARE_TR_FUNCTIONS(RecoveryReport)

public:
    enum class Place {
        destination, // under the name the batch was giving it
        source,      // back under the name it had before the batch
        temporary,   // still under the temporary name: both other names are taken
    };
    struct Item {
        QByteArray path; // where the item is now
        QByteArray sourceName;
        QByteArray destinationName;
        Place place = Place::temporary;
    };

    // Journals found, and those that could not be read (kept for a person to look at).
    qsizetype interruptedBatches = 0;
    QList<QByteArray> unreadableJournals;
    QList<Item> items;
    // Moves of the batch that recovery completed to free a name an item needed.
    qsizetype completedMoves = 0;

    bool isEmpty() const { return interruptedBatches == 0 && unreadableJournals.isEmpty(); }
    qsizetype count(Place place) const;
    // One message for the user: what was found, what was put right, where anything is
    // that could not be.
    QString title() const;
    // `shownAs` gives each name and path as the message shows it; LocalPath::display by
    // default.
    QString message(const std::function<QString(const QByteArray &)> &shownAs = {}) const;
};
