#include "preview/tuning.h"

#include <QThread>

#include <algorithm>

const Tuning &Tuning::standard()
{
    static const Tuning tuning = [] {
        Tuning made;
        bool given = false;
        const int forced = qEnvironmentVariableIntValue("BRISKLET_THREADS", &given);
        made.threads = given && forced > 0 ? forced : std::max(1, QThread::idealThreadCount());
        return made;
    }();
    return tuning;
}
