#pragma once

#include <QLoggingCategory>

// Diagnostics of the desktop helpers, under the same name as the settings store's: one rule
// switches both, e.g. QT_LOGGING_RULES="mvp.core.debug=true". A function of its own, since
// both libraries link into one program.
Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
