#include "testregistry.h"
#include "transformname.h"
#include <QTest>
class SmokeTest : public QObject { Q_OBJECT
private Q_SLOTS:
    void run() { QCOMPARE(transformName(QStringLiteral("a"), {}, 0), QStringLiteral("a")); }
};
BRISKLET_TEST(SmokeTest)
#include "tst_smoke.moc"
