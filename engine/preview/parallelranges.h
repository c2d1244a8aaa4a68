#pragma once

// Internal to the engine: not part of its interface.

#include "preview/tuning.h"

#include <QList>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>

// Work over every item of a long list, spread over threads: the list is cut into as many
// pieces of equal length as there are threads, none shorter than a minimum, and each piece
// is worked through in order on its own thread. Each item is worked on exactly once, so
// results that depend only on the item and its position come out as a single loop would
// give them.
namespace ParallelRanges {

inline qsizetype pieceCount(qsizetype count, qsizetype minimumPiece, int threads)
{
    return std::clamp<qsizetype>(count / std::max<qsizetype>(minimumPiece, 1), 1,
                                 std::max(threads, 1));
}

// Calls work(piece, begin, end) for each piece of [0, count); the first piece runs on the
// calling thread, the others on Qt's global thread pool (or here too, when the pool has no
// thread to spare). Returns when every piece is done.
template <typename Work>
void run(int threads, qsizetype count, qsizetype minimumPiece, const Work &work)
{
    const qsizetype pieces = pieceCount(count, minimumPiece, threads);
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

// The same with the standard number of threads.
template <typename Work> void run(qsizetype count, qsizetype minimumPiece, const Work &work)
{
    run(Tuning::standard().threads, count, minimumPiece, work);
}

// Calls work(i) for each i of [begin, end) in order, and ahead(i + lookAhead) before it
// while that is still in the range: with many thousands of rows, waiting for memory is
// most of the time a row takes, and asking for it early hides the wait.
template <typename Ahead, typename Work>
inline void forEachFetchingAhead(qsizetype begin, qsizetype end, qsizetype lookAhead,
                                 const Ahead &ahead, const Work &work)
{
    for (qsizetype i = begin; i < end; ++i) {
        if (i + lookAhead < end)
            ahead(i + lookAhead);
        work(i);
    }
}

// The items of a list for threads to write. Taken here, on the calling thread, before any
// thread starts: a list still shared with a copy is copied by the first write, and two
// threads writing would each make their own.
template <typename T> T *itemsToWrite(QList<T> &list)
{
    T *const items = list.data();
    Q_ASSERT(list.isEmpty() || list.isDetached());
    return items;
}

} // namespace ParallelRanges
