#include "testregistry.h"

#include <QTest>

#ifdef BRISKLET_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <QMetaMethod>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace {

// Test functions named on the command line ("name" or "name:dataTag"), if any.
QStringList requestedFunctions(int argc, char **argv)
{
    QStringList names;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument.startsWith(u'-')) {
            // Options that take a value: skip the value too.
            if (argument == u"-o" || argument == u"-maxwarnings" || argument == u"-eventdelay" ||
                argument == u"-keydelay" || argument == u"-mousedelay" || argument == u"-platform")
                ++i;
            continue;
        }
        names.append(argument.section(u':', 0, 0));
    }
    return names;
}

bool hasAnyOf(const QObject &test, const QStringList &names)
{
    const QMetaObject *meta = test.metaObject();
    for (int m = meta->methodOffset(); m < meta->methodCount(); ++m) {
        if (names.contains(QString::fromLatin1(meta->method(m).name())))
            return true;
    }
    return false;
}

} // namespace

// Runs every registered test class; the exit code counts the classes that failed.
// Arguments are handed to each class, so `-v2` works as usual; naming a test function
// runs it in whichever class has it.
int main(int argc, char **argv)
{
    // Batches keep their journals under the state folder: never the user's real one.
    QTemporaryDir stateHome;
    qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
    TestApplication app(argc, argv);
    int failedClasses = 0;
    const QStringList requested = requestedFunctions(argc, argv);
    for (const TestRegistry::Factory &factory : TestRegistry::factories()) {
        std::unique_ptr<QObject> test = factory();
        // Naming test functions runs only the classes that have them.
        if (!requested.isEmpty() && !hasAnyOf(*test, requested))
            continue;
        if (QTest::qExec(test.get(), argc, argv) != 0)
            ++failedClasses;
    }
    return failedClasses;
}
