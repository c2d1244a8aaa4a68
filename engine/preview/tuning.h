#pragma once

// Internal to the engine: not part of its interface.

#include <QtGlobal>

// How a preview spreads its work: the numbers that make it fast on one machine and that a
// test sets to force a path (several threads on a one-core runner, a cache that is never
// used). None of them changes a result, only how it is reached.
struct Tuning {
    // Rows per thread below which spreading the making of names costs more than it saves.
    qsizetype namePiece = 4096;
    // The same for judging names against each other. Also the share of the groups a
    // thread holds: a list of 10,000 rows, which a keystroke previews in part, is already
    // judged on two.
    qsizetype judgePiece = 4096;
    // Rows whose text is fetched into the processor's cache ahead of their turn.
    qsizetype lookAhead = 8;
    // The longest list whose preview is kept to be redone in part; its hundred-odd bytes a
    // row are small beside such a list.
    qsizetype cacheRows = 250'000;
    // The shortest list whose preview hands the allocator's free pages back to the system.
    qsizetype releaseMemoryRows = 200'000;
    // How many threads a piece of work is spread over.
    int threads = 1;
    // How long the list must stay as it is before the disk is checked in the background.
    int diskCheckDelayMilliseconds = 100;

    // The machine's cores, unless BRISKLET_THREADS names another number of threads (for
    // running every test with one thread and with several). Read once per process.
    static const Tuning &standard();
};
