#include "apptranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// Q_INIT_RESOURCE declares its function where it stands, so this stays outside any namespace:
// the compiled translations live in this static library and must be registered by hand.
static void initTranslationResources()
{
    Q_INIT_RESOURCE(translations);
}

QString installTranslations(const QLocale &locale)
{
    initTranslationResources();
    QCoreApplication *app = QCoreApplication::instance();
    auto *own = new QTranslator(app);
    if (!own->load(locale, QStringLiteral("MiniVideoPlayerSV"), QStringLiteral("_"),
                   QStringLiteral(":/translations"))) {
        delete own;
        return QString();
    }
    // Qt's texts only in the language the program speaks, never a third one beside English: those
    // of the widgets and those of the web engine (the pages' context menu).
    const QString language = own->language();
    for (const QString &catalog : {QStringLiteral("qtbase"), QStringLiteral("qtwebengine")}) {
        auto *qt = new QTranslator(app);
        if (qt->load(QLocale(language), catalog, QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
    }
    // Installed last, so it is asked first.
    QCoreApplication::installTranslator(own);
    return language;
}
