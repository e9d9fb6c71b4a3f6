#include "netlogging.h"

Q_LOGGING_CATEGORY(lcNet, "mvp.net", QtWarningMsg)
