#include "widgetslogging.h"

Q_LOGGING_CATEGORY(lcDesktop, "mvp.core", QtWarningMsg)
