#include "batchmover.h"

#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <deque>
#include <vector>

namespace {

QString temporaryPathBeside(const QString &path)
{
    const QString folder = path.left(path.lastIndexOf(u'/') + 1);
    const quint64 random = QRandomGenerator::global()->generate64();
    return folder + QStringLiteral(".brisklet-swap-") + QString::number(random, 16);
}

} // namespace

QList<BatchMover::Outcome> BatchMover::run(const QList<Move> &moves, const Progress &progress)
{
    const qsizetype total = moves.size();
    QList<Outcome> results(total);
    std::vector<QString> location(static_cast<size_t>(total));
    std::vector<bool> finished(static_cast<size_t>(total), false);
    // How many unfinished moves still have their item at a path, and which moves wait
    // for that path to be vacated.
    QHash<QString, qsizetype> occupants;
    QHash<QString, std::vector<qsizetype>> waiting;
    qsizetype done = 0;

    for (qsizetype i = 0; i < total; ++i) {
        location[static_cast<size_t>(i)] = moves[i].sourcePath;
        ++occupants[moves[i].sourcePath];
    }

    std::deque<qsizetype> ready;

    auto isBlocked = [&](qsizetype i) {
        const QString &destination = moves[i].destinationPath;
        qsizetype others = occupants.value(destination);
        if (location[static_cast<size_t>(i)] == destination)
            --others;
        return others > 0;
    };

    auto leave = [&](const QString &path) {
        qsizetype &count = occupants[path];
        if (--count > 0)
            return;
        occupants.remove(path);
        const auto waiters = waiting.find(path);
        if (waiters == waiting.end())
            return;
        for (qsizetype w : *waiters)
            ready.push_back(w);
        waiting.erase(waiters);
    };

    auto finish = [&](qsizetype i, const FileMover::Result &result, const QString &currentPath) {
        results[i] = {result.succeeded, result.errorDescription, currentPath};
        finished[static_cast<size_t>(i)] = true;
        ++done;
        if (progress)
            progress(done, total);
    };

    // Attempts move i, or parks it until its destination is vacated. The item's old
    // place is vacated whether the move succeeded or not: a failed item is no longer a
    // reason to wait, and whoever waited then meets the item on disk and fails safely.
    auto attempt = [&](qsizetype i) {
        if (isBlocked(i)) {
            waiting[moves[i].destinationPath].push_back(i);
            return;
        }
        const QString from = location[static_cast<size_t>(i)];
        FileMover::Result result = m_mover.moveItem(from, moves[i].destinationPath);
        QString currentPath = result.succeeded ? moves[i].destinationPath : moves[i].sourcePath;
        if (!result.succeeded && from != moves[i].sourcePath) {
            // The item stepped aside for a cycle and cannot reach its new name: put it
            // back where it came from, or at least say where it is.
            const FileMover::Result back = m_mover.moveItem(from, moves[i].sourcePath);
            if (!back.succeeded) {
                result.errorDescription += QStringLiteral(" The file is now named “%1”.")
                                               .arg(from.mid(from.lastIndexOf(u'/') + 1));
                currentPath = from;
            }
        }
        finish(i, result, currentPath);
        leave(from);
    };

    auto drain = [&] {
        while (!ready.empty()) {
            const qsizetype i = ready.front();
            ready.pop_front();
            if (!finished[static_cast<size_t>(i)])
                attempt(i);
        }
    };

    for (qsizetype i = 0; i < total; ++i) {
        ready.push_back(i);
        drain();
    }

    // Whatever still waits is part of a cycle, or waits for one. Break the cycles one at
    // a time, starting with the earliest move in the batch.
    for (qsizetype i = 0; i < total; ++i) {
        if (finished[static_cast<size_t>(i)])
            continue;
        // Take it off the waiting list it is on; it is moved aside now.
        std::vector<qsizetype> &list = waiting[moves[i].destinationPath];
        std::erase(list, i);
        if (list.empty())
            waiting.remove(moves[i].destinationPath);

        const QString from = location[static_cast<size_t>(i)];
        FileMover::Result aside;
        QString temporary;
        for (int tries = 0; tries < 16; ++tries) {
            temporary = temporaryPathBeside(from);
            aside = m_mover.moveItem(from, temporary);
            // Only a name that happens to be taken is worth another try.
            if (aside.succeeded || !QFileInfo::exists(temporary))
                break;
        }
        if (!aside.succeeded) {
            finish(i, aside, from);
            leave(from);
            drain();
            continue;
        }
        location[static_cast<size_t>(i)] = temporary;
        ++occupants[temporary];
        leave(from);
        ready.push_back(i);
        drain();
    }
    return results;
}
