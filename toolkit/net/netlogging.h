#pragma once

#include <QLoggingCategory>

// Diagnostics of the network library. Debug and info lines are off unless switched on, e.g.
// QT_LOGGING_RULES="mvp.net.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcNet)
