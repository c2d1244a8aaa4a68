#include "translationloader.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool TranslationLoader::install(QCoreApplication &application, const QLocale &locale)
{
    const QStringList languages = locale.uiLanguages();
    for (const QString &name : languages) {
        const QLocale language(name);
        if (language.language() == QLocale::English)
            return false;
        if (language.language() == QLocale::C) // "C", "POSIX" or a name QLocale does not know
            continue;
        auto *own = new QTranslator(&application);
        if (!own->load(language, QStringLiteral("brisklet"), QStringLiteral("_"),
                       QStringLiteral(":/i18n"))) {
            delete own;
            continue;
        }
        QCoreApplication::installTranslator(own);
        auto *qt = new QTranslator(&application);
        if (qt->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(qt);
        else
            delete qt;
        return true;
    }
    return false;
}
