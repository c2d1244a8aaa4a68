#pragma once

// Internal to the engine: not part of its interface.

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>

// Work over every item of a long list, spread over the cores: the list is cut into as
// many pieces of equal length as there are cores, none shorter than a minimum, and each
// piece is worked through in order on its own thread. Each item is worked on exactly
// once, so results that depend only on the item and its position come out as a single
// loop would give them.
namespace ParallelRanges {

inline qsizetype pieceCount(qsizetype count, qsizetype minimumPiece)
{
    const qsizetype cores = std::max(1, QThread::idealThreadCount());
    return std::clamp<qsizetype>(count / std::max<qsizetype>(minimumPiece, 1), 1, cores);
}

// Calls work(piece, begin, end) for each piece of [0, count); the first piece runs on the
// calling thread, the others on Qt's global thread pool (or here too, when the pool has no
// thread to spare). Returns when every piece is done.
template <typename Work> void run(qsizetype count, qsizetype minimumPiece, const Work &work)
{
    const qsizetype pieces = pieceCount(count, minimumPiece);
    const auto bound = [count, pieces](qsizetype piece) { return count * piece / pieces; };
    QSemaphore done;
    int started = 0;
    for (qsizetype piece = 1; piece < pieces; ++piece) {
        const bool onPool = QThreadPool::globalInstance()->tryStart([&work, &done, bound, piece] {
            work(piece, bound(piece), bound(piece + 1));
            done.release();
        });
        if (onPool)
            ++started;
        else
            work(piece, bound(piece), bound(piece + 1));
    }
    work(qsizetype(0), qsizetype(0), bound(1));
    done.acquire(started);
}

} // namespace ParallelRanges
