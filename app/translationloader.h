#pragma once

#include <QLocale>

class QCoreApplication;

// The translations of the user's language: Brisklet's own, embedded under ":/i18n", and
// Qt's, so that the standard dialogs speak the same language, from Qt's translations folder
// when it is installed. English is the language of the source texts and needs none.
class TranslationLoader {
public:
    // Goes through the locale's languages in the user's order (for the system locale,
    // LANGUAGE before LC_ALL, LC_MESSAGES and LANG) and installs the translations of the
    // first one Brisklet has, owned by the application. Stops at English: a user who puts
    // English before German gets English. Answers whether a translation was installed.
    static bool install(QCoreApplication &application, const QLocale &locale = QLocale());
};
