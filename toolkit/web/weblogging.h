#pragma once

#include <QLoggingCategory>

// Diagnostics of the web view and page. Debug and info lines are off unless switched on, e.g.
// QT_LOGGING_RULES="mvp.page.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPage)
