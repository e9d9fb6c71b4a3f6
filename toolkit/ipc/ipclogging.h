#pragma once

#include <QLoggingCategory>

// Diagnostics of the local-socket link. Debug and info lines are off unless switched on, e.g.
// QT_LOGGING_RULES="mvp.link.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcLink)
