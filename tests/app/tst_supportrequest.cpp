#include "testmain.h"

#include "supportrequest.h"

#include <QCoreApplication>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class SupportRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mail_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("subject"); // empty: the default one
        QTest::addColumn<QString>("encoded"); // part of the mailto: text
        QTest::addColumn<QString>("arrives"); // the subject the mail program reads
        QTest::newRow("name, spaces as %20")
            << u"Brisklet"_qs << QString() << u"?subject=Brisklet%20Support%20Request&body="_qs
            << u"Brisklet Support Request"_qs;
        QTest::newRow("no name") << QString() << QString() << u"subject=App%20Support%20Request"_qs
                                 << u"App Support Request"_qs;
        QTest::newRow("line feeds as %0A")
            << u"Brisklet"_qs << QString() << u"&body=Hello%20Brisklet%20Team,%0A%0A"_qs
            << u"Brisklet Support Request"_qs;
        QTest::newRow("subject with & and = arrives whole")
            << u"Brisklet"_qs << u"Q&A: caf\u00e9 = slow?"_qs
            << u"subject=Q%26A:%20caf%C3%A9%20%3D%20slow?&"_qs << u"Q&A: caf\u00e9 = slow?"_qs;
    }

    void mail()
    {
        QFETCH(QString, name);
        QFETCH(QString, subject);
        QFETCH(QString, encoded);
        QFETCH(QString, arrives);
        const auto wanted = subject.isEmpty() ? std::nullopt : std::optional(subject);
        const QString text = SupportRequest::mailtoText(u"help@example.com"_qs, name, wanted);
        QVERIFY2(text.startsWith(u"mailto:help@example.com?"_qs) && text.contains(encoded),
                 qPrintable(text));
        QCOMPARE(QUrlQuery(QUrl(text)).queryItemValue(u"subject"_qs, QUrl::FullyDecoded), arrives);
        if (name.isEmpty())
            return; // the running application always has a name

        // The desktop gets exactly the text that was built, not a re-encoded form of it.
        const QString savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(name);
        QUrl opened;
        SupportRequest::sendSupportRequest(
            wanted, [&](const QUrl &url) { return (opened = url).isValid(); });
        QCoreApplication::setApplicationName(savedName);
        QCOMPARE(QString::fromUtf8(opened.toEncoded()),
                 SupportRequest::mailtoText(SupportRequest::supportAddress(), name, wanted));
    }
};

BRISKLET_TEST(SupportRequestTest)
#include "tst_supportrequest.moc"
