#pragma once

#include <QTest>

#ifdef BRISKLET_TEST_GUI
#include <QApplication>
using BriskletTestApplication = QApplication;
#else
#include <QCoreApplication>
using BriskletTestApplication = QCoreApplication;
#endif

#include <QTemporaryDir>

namespace BriskletTest {

// Runs one test class. Batches keep their journals under the state folder, so each test
// executable gets its own, never the user's real one.
template <typename Test> int run(int argc, char **argv)
{
    QTemporaryDir stateHome;
    qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
    BriskletTestApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    Test test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

} // namespace BriskletTest

// The entry point of a test executable: one per test file, each its own CTest test.
#define BRISKLET_TEST(Class)                                                                       \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return BriskletTest::run<Class>(argc, argv);                                               \
    }
