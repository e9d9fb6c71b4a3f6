#include "ipclogging.h"

Q_LOGGING_CATEGORY(lcLink, "mvp.link", QtWarningMsg)
