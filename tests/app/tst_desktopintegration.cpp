#include "testregistry.h"

#include "launchrequest.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace {

QString dataFile(const QString &name)
{
    // The data folder sits next to the tests folder in the source tree.
    return QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(u"../../data/"_qs + name);
}

const QString appId = u"app.brisklet.Brisklet"_qs;

} // namespace

class DesktopIntegrationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void validators_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << u"desktop-file-validate"_qs << QStringList{dataFile(appId + u".desktop"_qs)};
        QTest::newRow("metainfo") << u"appstreamcli"_qs
                                  << QStringList{u"validate"_qs, u"--no-net"_qs,
                                                 dataFile(appId + u".metainfo.xml"_qs)};
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

    void addFilesActionUsesTheOptionTheProgramReads()
    {
        QSettings entry(dataFile(appId + u".desktop"_qs), QSettings::IniFormat);
        const QStringList exec =
            entry.value(u"Desktop Action AddFiles/Exec"_qs).toString().split(u' ');
        QCOMPARE(LaunchRequest::fromArguments(exec.mid(1), QString()).action,
                 LaunchRequest::Action::addFiles);
    }
};

BRISKLET_TEST(DesktopIntegrationTest)
#include "tst_desktopintegration.moc"
