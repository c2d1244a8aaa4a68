#pragma once

// Internal to the engine: not part of its interface.

#include <QByteArray>

#include <sys/stat.h>

// Where a move that takes two steps on disk stands, told to whoever keeps the record of
// the batch it belongs to, so that a process killed between the steps can be put right:
// - link: `to` is made a second name of the item at `from`, whose name is then removed;
// - reservation: an empty item was created at `to`, which a rename() of `from` replaces.
class MoveSteps {
public:
    enum class Step { link, reservation };

    virtual ~MoveSteps() = default;

    // Before link() for a link, with the item at `from`; right after the reservation was
    // made, with the reservation, for a reservation.
    virtual void stepStarted(Step step, const QByteArray &from, const QByteArray &to,
                             const struct stat &item) = 0;
    // The step is over, whether the move went through or not.
    virtual void stepEnded() = 0;

    // The record keeper of the moves this thread makes; none outside a batch.
    static MoveSteps *current();
    static void setCurrent(MoveSteps *steps);

    // Called in the middle of each step (after the link, or after the reservation), with
    // nothing set but by a test that stops the process there.
    using Pause = void (*)(Step);
    static Pause pause();
    static void setPause(Pause pause);
};
