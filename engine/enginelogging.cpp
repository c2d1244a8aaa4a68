#include "enginelogging.h"

Q_LOGGING_CATEGORY(lcEngine, "brisklet.engine")
