#include "testmain.h"

#include "engine/testmount.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

// Installs the build into a temporary prefix; every file a desktop or a shell looks for is
// in its place and validates.
class CliInstallTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_prefix;

private Q_SLOTS:
    void initTestCase()
    {
        const QString error = TestMount::runTool(
            QStringLiteral(CMAKE_COMMAND),
            {u"--install"_qs, QStringLiteral(BUILD_DIR), u"--prefix"_qs, m_prefix.path()});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void installed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("validator"); // run with the file as its last argument

        const QStringList desktop{u"desktop-file-validate"_qs};
        const QStringList man{u"man"_qs, u"--warnings"_qs, u"-E"_qs, u"UTF-8"_qs, u"-l"_qs};
        QTest::newRow("program") << u"bin/brisklet"_qs << QStringList();
        QTest::newRow("command line") << u"bin/brisklet-cli"_qs << QStringList();
        QTest::newRow("desktop entry")
            << u"share/applications/app.brisklet.Brisklet.desktop"_qs << desktop;
        QTest::newRow("metainfo") << u"share/metainfo/app.brisklet.Brisklet.metainfo.xml"_qs
                                  << QStringList{u"appstreamcli"_qs, u"validate"_qs,
                                                 u"--no-net"_qs};
        QTest::newRow("Dolphin service menu")
            << u"share/kio/servicemenus/app.brisklet.Brisklet.servicemenu.desktop"_qs << desktop;
        QTest::newRow("Nemo action")
            << u"share/nemo/actions/app.brisklet.Brisklet.nemo_action"_qs << QStringList();
        QTest::newRow("manual") << u"share/man/man1/brisklet.1"_qs << man;
        QTest::newRow("command-line manual") << u"share/man/man1/brisklet-cli.1"_qs << man;
        QTest::newRow("bash completion") << u"share/bash-completion/completions/brisklet-cli"_qs
                                         << QStringList{u"bash"_qs, u"-n"_qs};
    }

    // An application associated with a type becomes its default wherever it is the only or
    // the first-ranked handler (scripts/check-package shows it on a Debian root), so no
    // installed application entry claims a type; the file managers' actions do not count.
    void installed()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, validator);
        QFile installed(QDir(m_prefix.path()).filePath(file));
        QVERIFY2(installed.open(QIODevice::ReadOnly), qPrintable(installed.fileName()));
        QVERIFY(!file.startsWith(u"share/applications/"_qs) ||
                !installed.readAll().contains("\nMimeType"));
        if (validator.isEmpty())
            return;
        const QString program = QStandardPaths::findExecutable(validator.first());
        if (program.isEmpty())
            QSKIP(qPrintable(validator.first() + u" is missing (scripts/setup installs it)"_qs));
        QByteArray output;
        const QString error =
            TestMount::runTool(program, validator.mid(1) << installed.fileName(), &output);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        // The manual's formatter warns on standard error without failing.
        QVERIFY2(validator.first() != u"man"_qs || !output.contains("warning"), output.constData());
    }
};

BRISKLET_TEST(CliInstallTest)
#include "tst_cliinstall.moc"
