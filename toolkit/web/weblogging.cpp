#include "weblogging.h"

Q_LOGGING_CATEGORY(lcPage, "mvp.page", QtWarningMsg)
