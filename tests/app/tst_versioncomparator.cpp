#include "testmain.h"

#include "versioncomparator.h"

#include <QTest>

class VersionComparatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void order_data()
    {
        QTest::addColumn<QString>("older");
        QTest::addColumn<QString>("newer");
        QTest::newRow("numbers compare numerically") << u"1.9"_qs << u"1.10"_qs;
        QTest::newRow("more release parts") << u"1.0"_qs << u"1.0.1"_qs;
        QTest::newRow("major wins over minor") << u"1.99.99"_qs << u"2.0"_qs;
        QTest::newRow("beta before release") << u"1.0b1"_qs << u"1.0"_qs;
        QTest::newRow("beta before release with zero part") << u"1.0b1"_qs << u"1.0.0"_qs;
        QTest::newRow("release before next pre-release") << u"1.0"_qs << u"1.0.1b1"_qs;
        QTest::newRow("pre-release numbers numerically") << u"1.0b2"_qs << u"1.0b10"_qs;
        QTest::newRow("alpha before beta") << u"1.0a3"_qs << u"1.0b1"_qs;
        QTest::newRow("beta before candidate") << u"1.0b9"_qs << u"1.0rc1"_qs;
        QTest::newRow("dashed pre-release") << u"2.0-rc.1"_qs << u"2.0-rc.2"_qs;
        QTest::newRow("bare tag before numbered tag") << u"1.0b"_qs << u"1.0b1"_qs;
        QTest::newRow("numbers beyond 64 bits")
            << u"1.99999999999999999999"_qs << u"1.100000000000000000000"_qs;
    }

    void order()
    {
        QFETCH(QString, older);
        QFETCH(QString, newer);
        QVERIFY(VersionComparator::compare(older, newer) < 0);
        QVERIFY(VersionComparator::compare(newer, older) > 0);
        QVERIFY(VersionComparator::isNewer(newer, older));
        QVERIFY(!VersionComparator::isNewer(older, newer));
    }

    void same_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("trailing zero part") << u"1.0"_qs << u"1.0.0"_qs;
        QTest::newRow("leading zeros") << u"01.002"_qs << u"1.2"_qs;
        QTest::newRow("leading v") << u"v1.2"_qs << u"1.2"_qs;
        QTest::newRow("build metadata ignored") << u"1.2+build.7"_qs << u"1.2"_qs;
        QTest::newRow("letter case in tags") << u"1.0RC1"_qs << u"1.0rc1"_qs;
        QTest::newRow("surrounding spaces") << u" 1.2 "_qs << u"1.2"_qs;
    }

    void same()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QCOMPARE(VersionComparator::compare(a, b), 0);
        QCOMPARE(VersionComparator::compare(b, a), 0);
        QVERIFY(!VersionComparator::isNewer(a, b));
    }
};

BRISKLET_TEST(VersionComparatorTest)
#include "tst_versioncomparator.moc"
