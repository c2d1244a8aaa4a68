#pragma once

#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

class QUrl;

// The "Contact Support" e-mail: a mailto: address with a pre-filled subject and body, handed
// to the user's mail program. Whether that worked is returned, so the caller can give the
// address some other way when there is no mail program.
class SupportRequest {
public:
    using UrlOpener = std::function<bool(const QUrl &)>;

    // The address chosen when the application was built.
    static QString supportAddress();

    // The given name, or "App" when there is none.
    static QString applicationName(const QString &name);
    static QString defaultSubject(const QString &applicationName);
    static QString body(const QString &applicationName);

    // Leaves the characters a URL query may hold as they are and writes every other character
    // as percent escapes of its UTF-8 bytes (a space as %20, a line feed as %0A). "&" and "="
    // are escaped as well: left bare, a subject such as "Q&A" would end the subject field.
    static QString percentEncodeQueryValue(QStringView text);

    // Whether the desktop names a program for mailto: links.
    static bool hasMailProgram();
    static QString mailtoText(const QString &address, const QString &applicationName,
                              const std::optional<QString> &subject = std::nullopt);

    // Builds the e-mail for this application (QCoreApplication::applicationName()) and opens
    // it with the opener (the desktop's mail program by default). No subject means the
    // default one. False when the e-mail could not be handed to a mail program.
    static bool sendSupportRequest(const std::optional<QString> &subject = std::nullopt,
                                   const UrlOpener &opener = {});
};
