#include "testmain.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validators_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("arguments");
        // The data folder sits next to the tests folder in the source tree. __FILE__ is
        // relative when the compiler cache rewrites paths, so the test folder comes from
        // the build instead.
        const QString data = QDir(QStringLiteral(QT_TESTCASE_SOURCEDIR))
                                 .absoluteFilePath(u"../data/app.brisklet.Brisklet"_qs);
        QTest::newRow("desktop entry")
            << u"desktop-file-validate"_qs << QStringList{data + u".desktop"_qs};
        QTest::newRow("metainfo") << u"appstreamcli"_qs
                                  << QStringList{u"validate"_qs, u"--no-net"_qs,
                                                 data + u".metainfo.xml"_qs};
    }

    void validators()
    {
        QFETCH(QString, validator);
        QFETCH(QStringList, arguments);
        const QString program = QStandardPaths::findExecutable(validator);
        if (program.isEmpty())
            QSKIP(qPrintable(validator + u" is not installed (scripts/setup installs it)"_qs));
        QVERIFY(QFileInfo::exists(arguments.last()));
        QProcess process;
        process.start(program, arguments);
        QVERIFY(process.waitForFinished(30000));
        const QByteArray output = process.readAllStandardOutput() + process.readAllStandardError();
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                 output.constData());
    }
};

BRISKLET_TEST(DesktopIntegrationTest)
#include "tst_desktopintegration.moc"
