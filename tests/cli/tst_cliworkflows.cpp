#include "testmain.h"

#include "clitest.h"
#include "engine/testmount.h"
#include "renameengine.h"

#include <QProcess>
#include <QTemporaryDir>

using CliTest::Run;

namespace {

const QByteArray lower = R"([{"mode":"changeCase","caseType":"lowercase"}])";
const QByteArray upper = R"([{"mode":"changeCase","caseType":"UPPERCASE"}])";

} // namespace

// Workflows saved and deleted by the real brisklet-cli, found by an engine that reads the
// settings the way the window does when it starts.
class CliWorkflowsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;
    QString m_config;

    QString stack(const char *name, const QByteArray &text) const
    {
        QFile file(m_home.filePath(QString::fromLatin1(name)));
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() ? file.fileName()
                                                                                  : QString();
    }

    Run run(const QStringList &arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"XDG_CONFIG_HOME"_qs, m_config);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(BRISKLET_CLI), arguments);
        const bool ended = process.waitForFinished(60000);
        return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

private Q_SLOTS:
    // Settings find their folder once a process, so this one reads one folder throughout.
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u"config"_qs)));
    }
    void init()
    {
        m_config = m_home.filePath(u"config"_qs);
        QFile::remove(m_config + u"/Brisklet/Brisklet.conf"_qs);
    }

    void saveRules_data()
    {
        QTest::addColumn<QString>("before"); // saved first with the lower-case stack
        QTest::addColumn<QString>("name");   // then saved with the upper-case one
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("said");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("holds"); // the CaseType `name` holds afterwards

        QTest::newRow("new") << QString() << u"Holiday"_qs << false << 0
                             << QByteArray("Workflow 'Holiday' saved\n")
                             << QStringList{u"Holiday"_qs} << int(CaseType::uppercase);
        QTest::newRow("blanks are a name")
            << QString() << u"  "_qs << false << 0 << QByteArray("Workflow '  ' saved\n")
            << QStringList{u"  "_qs} << int(CaseType::uppercase);
        QTest::newRow("taken") << u"Holiday"_qs << u"Holiday"_qs << false << 2
                               << QByteArray("brisklet-cli: A workflow named 'Holiday' already "
                                             "exists. (--overwrite replaces it)\n")
                               << QStringList{u"Holiday"_qs} << int(CaseType::lowercase);
        QTest::newRow("taken, overwritten")
            << u"Holiday"_qs << u"Holiday"_qs << true << 0
            << QByteArray("Workflow 'Holiday' saved\n") << QStringList{u"Holiday"_qs}
            << int(CaseType::uppercase);
        QTest::newRow("case counts")
            << u"Holiday"_qs << u"holiday"_qs << false << 0
            << QByteArray("Workflow 'holiday' saved\n") << QStringList{u"Holiday"_qs, u"holiday"_qs}
            << int(CaseType::uppercase);
        QTest::newRow("empty") << QString() << QString() << false << 2
                               << QByteArray("brisklet-cli: a workflow name cannot be empty\n")
                               << QStringList() << int(CaseType::uppercase);
    }

    void saveRules()
    {
        QFETCH(QString, before);
        QFETCH(QString, name);
        QFETCH(bool, overwrite);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QFETCH(QStringList, names);
        QFETCH(int, holds);

        if (!before.isEmpty())
            QCOMPARE(
                run({u"--save-workflow"_qs, before, u"--stack"_qs, stack("l.json", lower)}).status,
                0);
        const Run saved =
            run(QStringList{u"--save-workflow"_qs, name, u"--stack"_qs, stack("u.json", upper)} +
                (overwrite ? QStringList{u"--overwrite"_qs} : QStringList()));
        QVERIFY2(saved.status == status, saved.said().constData());
        QCOMPARE(status == 0 ? saved.out : saved.err, said);

        // What the window reads at its next start: the default settings store.
        const RenameEngine window;
        QCOMPARE(window.savedWorkflowNames(), names);
        // The list the command line prints is the window's, in its order.
        const QByteArray listed = names.join(u'\n').toUtf8();
        QCOMPARE(run({u"--list-workflows"_qs}).out, listed.isEmpty() ? listed : listed + '\n');
        if (!name.isEmpty()) {
            const QList<RenameOperationWrapper> steps = window.savedWorkflows().value(name);
            QVERIFY(steps.size() == 1 && steps.first().mode == RenameMode::changeCase);
            QCOMPARE(int(steps.first().caseType), holds);
        }
    }

    void showAndDelete()
    {
        QCOMPARE(
            run({u"--save-workflow"_qs, u"Mine"_qs, u"--stack"_qs, stack("l.json", lower)}).status,
            0);
        const struct {
            QStringList arguments;
            int status;
            QByteArray said;
        } steps[] = {
            {{u"--show-workflow"_qs, u"Mine"_qs}, 0, R"("caseType": "lowercase")"},
            {{u"--export-workflow=Mine"_qs}, 0, R"("mode": "changeCase")"},
            {{u"--show-workflow"_qs, u"Yours"_qs}, 2, "no workflow named “Yours” (saved: Mine)"},
            {{u"--delete-workflow"_qs, u"Yours"_qs}, 2, "no workflow named “Yours” (saved: Mine)"},
            {{u"--delete-workflow"_qs, u"Mine"_qs}, 0, "Workflow 'Mine' deleted"},
            {{u"--delete-workflow"_qs, u"Mine"_qs}, 2, "no workflow named “Mine”: no workflow"},
        };
        for (const auto &step : steps) {
            const Run result = run(step.arguments);
            QVERIFY2(result.status == step.status && result.said().contains(step.said),
                     result.said().constData());
        }
        QCOMPARE(RenameEngine().savedWorkflowNames(), QStringList());
    }

    // A store that cannot be written is said, and nothing is claimed saved.
    void readOnlySettings()
    {
        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mountUnwritable(true, where.path()); !problem.isEmpty())
            QSKIP(qPrintable(problem));
        m_config = mount.mountPoint;
        const Run saved =
            run({u"--save-workflow"_qs, u"Mine"_qs, u"--stack"_qs, stack("l.json", lower)});
        QVERIFY2(saved.status == 2 && saved.out.isEmpty() &&
                     saved.err.contains("could not be written: Read-only file system"),
                 saved.said().constData());
    }

    void usage_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("files") << u"--save-workflow A --system-workflow web-safe-names x"_qs
                               << QByteArray("--save-workflow takes the steps only, no files");
        QTest::newRow("no steps") << u"--save-workflow A"_qs
                                  << QByteArray("--save-workflow needs the steps to save");
        QTest::newRow("overwrite alone")
            << u"--overwrite --stack s x"_qs << QByteArray("--overwrite goes with --save-workflow");
        QTest::newRow("hidden alone")
            << u"--hidden --stack s x"_qs << QByteArray("--hidden goes with --recursive");
        QTest::newRow("delete with files")
            << u"--delete-workflow A x"_qs << QByteArray("take no files and no stack");
    }

    void usage()
    {
        QFETCH(QString, arguments);
        QFETCH(QByteArray, said);
        const Run result = run(arguments.split(u' '));
        QVERIFY2(result.status == 2 && result.err.contains(said), result.said().constData());
    }
};

BRISKLET_TEST(CliWorkflowsTest)
#include "tst_cliworkflows.moc"
