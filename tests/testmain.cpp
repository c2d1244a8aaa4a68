#include "testregistry.h"

#include <QTest>

#ifdef BRISKLET_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <memory>

// Runs every registered test class; the exit code counts the classes that failed.
// Arguments are handed to each class, so `-v2` works as usual.
int main(int argc, char **argv)
{
    TestApplication app(argc, argv);
    int failedClasses = 0;
    for (const TestRegistry::Factory &factory : TestRegistry::factories()) {
        std::unique_ptr<QObject> test = factory();
        if (QTest::qExec(test.get(), argc, argv) != 0)
            ++failedClasses;
    }
    return failedClasses;
}
