// Loads the translations for the locale of its environment, as the player does at start-up, and
// prints the language loaded and two texts: one of the program's and one of Qt's own.

#include "apptranslations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString language = installTranslations(QLocale::system());
    QTextStream out(stdout);
    out << language << '\n'
        << QCoreApplication::translate("MainWindow", "Play") << '\n'
        << QCoreApplication::translate("QPlatformTheme", "Cancel") << '\n';
    return 0;
}
