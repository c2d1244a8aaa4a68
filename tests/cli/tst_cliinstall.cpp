#include "testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// Installs the build into a temporary prefix and checks that every file a desktop or a
// shell looks for is in its place, and that the desktop files validate.
class CliInstallTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_prefix;

    static QByteArray runProgram(const QString &program, const QStringList &arguments, int *status)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(120000)) {
            *status = -1;
            return "did not finish";
        }
        *status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        return process.readAll();
    }

private Q_SLOTS:
    void initTestCase()
    {
        int status = 0;
        const QByteArray output = runProgram(
            QStringLiteral(CMAKE_COMMAND),
            {u"--install"_qs, QStringLiteral(BUILD_DIR), u"--prefix"_qs, m_prefix.path()}, &status);
        QVERIFY2(status == 0, output.constData());
    }

    void installed_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("validator"); // run with the file as its last argument

        const QString desktop = u"desktop-file-validate"_qs;
        QTest::newRow("program") << u"bin/brisklet"_qs << QString();
        QTest::newRow("command line") << u"bin/brisklet-cli"_qs << QString();
        QTest::newRow("desktop entry")
            << u"share/applications/app.brisklet.Brisklet.desktop"_qs << desktop;
        QTest::newRow("Dolphin service menu")
            << u"share/kio/servicemenus/app.brisklet.Brisklet.servicemenu.desktop"_qs << desktop;
        QTest::newRow("Nemo action")
            << u"share/nemo/actions/app.brisklet.Brisklet.nemo_action"_qs << QString();
        QTest::newRow("manual") << u"share/man/man1/brisklet.1"_qs << u"man"_qs;
        QTest::newRow("command-line manual") << u"share/man/man1/brisklet-cli.1"_qs << u"man"_qs;
        QTest::newRow("bash completion")
            << u"share/bash-completion/completions/brisklet-cli"_qs << u"bash"_qs;
    }

    void installed()
    {
        QFETCH(QString, file);
        QFETCH(QString, validator);
        const QString installed = QDir(m_prefix.path()).filePath(file);
        QVERIFY2(QFile::exists(installed), qPrintable(installed));
        if (validator.isEmpty())
            return;
        const QString program = QStandardPaths::findExecutable(validator);
        if (program.isEmpty())
            QSKIP(qPrintable(validator + u" is not installed (scripts/setup installs it)"_qs));
        QStringList arguments{installed};
        if (validator == u"man"_qs)
            arguments = QStringList{u"--warnings"_qs, u"-E"_qs, u"UTF-8"_qs, u"-l"_qs, installed};
        else if (validator == u"bash"_qs)
            arguments = QStringList{u"-n"_qs, installed};
        int status = 0;
        const QByteArray output = runProgram(program, arguments, &status);
        QVERIFY2(status == 0, output.constData());
        // The manual's formatter warns on standard error without failing.
        if (validator == u"man"_qs)
            QVERIFY2(!output.contains("warning"), output.constData());
    }

    // Nemo reads its own group, which no desktop-entry validator knows.
    void nemoAction()
    {
        QFile file(QDir(m_prefix.path())
                       .filePath(u"share/nemo/actions/app.brisklet.Brisklet.nemo_action"_qs));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        for (const char *line :
             {"[Nemo Action]\n", "\nName=Rename with Brisklet\n", "\nExec=brisklet %U\n",
              "\nSelection=notnone\n", "\nExtensions=any;\n"})
            QVERIFY2(text.contains(line), line);
    }
};

BRISKLET_TEST(CliInstallTest)
#include "tst_cliinstall.moc"
