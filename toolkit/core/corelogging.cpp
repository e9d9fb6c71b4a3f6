#include "corelogging.h"

Q_LOGGING_CATEGORY(lcCore, "mvp.core", QtWarningMsg)
