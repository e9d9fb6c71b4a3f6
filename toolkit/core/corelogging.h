#pragma once

#include <QLoggingCategory>

// Diagnostics of the settings store. Debug and info lines are off unless switched on, e.g.
// QT_LOGGING_RULES="mvp.core.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcCore)
