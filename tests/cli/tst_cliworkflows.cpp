#include "testmain.h"

#include "clitest.h"
#include "engine/testmount.h"
#include "renameengine.h"

using namespace CliTest;

// Workflows saved and deleted by the real brisklet-cli, read back by an engine with the
// window's own settings store, as the window reads them when it starts.
class CliWorkflowsTest : public QObject {
    Q_OBJECT

private:
    Home m_home;
    const QString m_config = m_home.filePath(u"config"_qs); // the program's, as Home sets it

private Q_SLOTS:
    void initTestCase()
    {
        // Settings find their folder once a process: this one reads the program's throughout.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
        QVERIFY(m_home.next() &&
                m_home.create("lower.json", R"([{"mode":"changeCase","caseType":"lowercase"}])") &&
                m_home.create("upper.json", R"([{"mode":"changeCase","caseType":"UPPERCASE"}])"));
    }
    void init() { QFile::remove(m_config + u"/Brisklet/Brisklet.conf"_qs); }

    // A store that cannot be written is said, and nothing is claimed saved. First, while
    // the settings folder does not exist yet.
    void readOnlySettings()
    {
        QTemporaryDir where;
        TestMount::Mount mount;
        if (const QString problem = mount.mountUnwritable(true, where.path()); !problem.isEmpty())
            QSKIP(qPrintable(problem));
        QVERIFY(QFile::link(mount.mountPoint, m_config));
        const Run saved = m_home.run({u"--save-workflow=Mine"_qs, u"--stack=lower.json"_qs});
        QVERIFY(QFile::remove(m_config));
        QVERIFY2(saved.status == 2 && saved.out.isEmpty() &&
                     saved.err.contains("could not be written: Read-only file system"),
                 saved.said().constData());
    }

    void commands_data()
    {
        QTest::addColumn<QString>("commands"); // run in turn, separated by ';'
        QTest::addColumn<int>("status");       // of the last one
        QTest::addColumn<QByteArray>("said");  // by the last one
        QTest::addColumn<QString>("names");    // the window's list afterwards, joined by '|'
        QTest::addColumn<QString>("holds");    // NAME=caseType of its step, when given
        const auto row = [](const char *name, const QByteArray &commands, int status,
                            const char *said, const char *names, const char *holds = "") {
            QTest::newRow(name) << QString::fromUtf8(commands) << status << QByteArray(said)
                                << QString::fromUtf8(names) << QString::fromUtf8(holds);
        };
        const auto then = [](const char *command) -> QByteArray {
            return "--save-workflow|Holiday|--stack|lower.json;" + QByteArray(command);
        };
        row("new", "--save-workflow=Holiday|--stack|upper.json", 0, "Workflow 'Holiday' saved\n",
            "Holiday", "Holiday=UPPERCASE");
        row("blanks are a name", then("--save-workflow|  |--workflow|Holiday"), 0,
            "Workflow '  ' saved\n", "  |Holiday", "  =lowercase");
        row("taken", then("--save-workflow|Holiday|--stack|upper.json"), 2,
            "A workflow named 'Holiday' already exists. (--overwrite replaces it)\n", "Holiday",
            "Holiday=lowercase");
        row("overwritten", then("--save-workflow|Holiday|--stack|upper.json|--overwrite"), 0,
            "Workflow 'Holiday' saved\n", "Holiday", "Holiday=UPPERCASE");
        row("case counts", then("--save-workflow|holiday|--stack|upper.json"), 0,
            "Workflow 'holiday' saved\n", "Holiday|holiday", "holiday=UPPERCASE");
        row("empty", "--save-workflow||--stack|upper.json", 2, "a workflow name cannot be empty\n",
            "");
        row("shown", then("--show-workflow|Holiday"), 0, R"("caseType": "lowercase")", "Holiday");
        row("deleted", then("--delete-workflow|Holiday"), 0, "Workflow 'Holiday' deleted\n", "");
        row("unknown deleted", then("--delete-workflow|Other"), 2,
            "no workflow named “Other” (saved: Holiday)", "Holiday");
        row("no steps", "--save-workflow|A", 2, "--save-workflow needs the steps to save", "");
    }

    void commands()
    {
        QFETCH(QString, commands);
        QFETCH(int, status);
        QFETCH(QByteArray, said);
        QFETCH(QString, names);
        QFETCH(QString, holds);

        Run last;
        for (const QString &command : commands.split(u';'))
            last = m_home.run(command.split(u'|'));
        QVERIFY2(last.status == status && last.said().contains(said), last.said().constData());

        const RenameEngine window;
        QCOMPARE(window.savedWorkflowNames().join(u'|'), names);
        if (const qsizetype equals = holds.lastIndexOf(u'='); equals > 0) {
            const QList<RenameOperationWrapper> steps =
                window.savedWorkflows().value(holds.left(equals));
            QVERIFY(steps.size() == 1);
            QCOMPARE(rawValue(steps.first().caseType), holds.mid(equals + 1));
        }
    }
};

BRISKLET_TEST(CliWorkflowsTest)
#include "tst_cliworkflows.moc"
