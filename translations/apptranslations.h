#pragma once

#include <QString>

class QLocale;

// Installs on the application the program's own translation for the first of the locale's user
// interface languages that it is translated into (QLocale::system() follows LANGUAGE, LC_ALL,
// LC_MESSAGES and LANG), and Qt's own base and web engine translations for that same language
// where Qt's translations are installed, so dialog buttons and the pages' context menu speak it
// too. Call it once, after the application
// object exists and before any window is built. Returns the language loaded ("de"), or an empty
// text when the program runs with its source texts.
QString installTranslations(const QLocale &locale);
