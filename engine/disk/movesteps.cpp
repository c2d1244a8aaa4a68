#include "disk/movesteps.h"

#include <atomic>

namespace {

thread_local MoveSteps *currentSteps = nullptr;
std::atomic<MoveSteps::Pause> pauseHook = nullptr;

} // namespace

MoveSteps *MoveSteps::current()
{
    return currentSteps;
}

void MoveSteps::setCurrent(MoveSteps *steps)
{
    currentSteps = steps;
}

MoveSteps::Pause MoveSteps::pause()
{
    return pauseHook.load(std::memory_order_relaxed);
}

void MoveSteps::setPause(Pause pause)
{
    pauseHook.store(pause, std::memory_order_relaxed);
}
