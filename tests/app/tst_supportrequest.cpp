#include "testregistry.h"

#include "supportrequest.h"

#include <QCoreApplication>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class SupportRequestTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mailtoText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("application name")
            << u"Brisklet"_qs
            << u"mailto:help@example.com?subject=Brisklet%20Support%20Request&body=Hello%20Brisklet%20Team,%0A%0AI%20need%20assistance%20with%20the%20following:%0A%0A"_qs;
        QTest::newRow("no name")
            << QString()
            << u"mailto:help@example.com?subject=App%20Support%20Request&body=Hello%20App%20Team,%0A%0AI%20need%20assistance%20with%20the%20following:%0A%0A"_qs;
    }

    void mailtoText()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(SupportRequest::mailtoText(u"help@example.com"_qs, name), expected);
    }

    void percentEncoding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("query characters stay")
            << u"a-b.c_d~e!$'()*+,;:@/?"_qs << u"a-b.c_d~e!$'()*+,;:@/?"_qs;
        QTest::newRow("space and line feed") << u"a b\nc"_qs << u"a%20b%0Ac"_qs;
        QTest::newRow("field separators are escaped") << u"Q&A=yes"_qs << u"Q%26A%3Dyes"_qs;
        QTest::newRow("not allowed in a query")
            << u"#%\"<>[]\\^`{|}"_qs << u"%23%25%22%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"_qs;
        QTest::newRow("UTF-8 bytes")
            << u"caf\u00e9 \u2192 \U0001F600"_qs << u"caf%C3%A9%20%E2%86%92%20%F0%9F%98%80"_qs;
    }

    void percentEncoding()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(SupportRequest::percentEncodeQueryValue(text), expected);
    }

    void sendOpensTheMailUrl()
    {
        const QString savedName = QCoreApplication::applicationName();
        QCoreApplication::setApplicationName(u"Brisklet"_qs);
        QList<QUrl> opened;
        const auto opener = [&](const QUrl &url) {
            opened.append(url);
            return true;
        };
        SupportRequest::sendSupportRequest(std::nullopt, opener);
        SupportRequest::sendSupportRequest(u"Q&A: renaming = slow?"_qs, opener);
        QCoreApplication::setApplicationName(savedName);

        QCOMPARE(opened.size(), 2);
        const QString address = SupportRequest::supportAddress();
        QVERIFY(!address.isEmpty());
        // The desktop gets exactly the text that was built, not a re-encoded form of it.
        QCOMPARE(QString::fromUtf8(opened.at(0).toEncoded()),
                 SupportRequest::mailtoText(address, u"Brisklet"_qs));
        QCOMPARE(opened.at(0).scheme(), u"mailto"_qs);
        QCOMPARE(opened.at(0).path(), address);

        // A subject with field separators reaches the mail program whole.
        const QUrlQuery query(opened.at(1));
        QCOMPARE(query.queryItemValue(u"subject"_qs, QUrl::FullyDecoded),
                 u"Q&A: renaming = slow?"_qs);
        QCOMPARE(query.queryItemValue(u"body"_qs, QUrl::FullyDecoded),
                 SupportRequest::body(u"Brisklet"_qs));
    }
};

BRISKLET_TEST(SupportRequestTest)
#include "tst_supportrequest.moc"
