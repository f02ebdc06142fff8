// A test program's main for tests that need an application object but no display: the
// offscreen platform unless one is set. One source, three libraries (CMakeLists.txt here):
// QGuiApplication (canvases, system colours, message handling), QApplication for widgets,
// and QCoreApplication for programs that only run others, which keep the caller's platform.

#if defined(LUMIVANE_TEST_WIDGETS)
#include <QApplication>
using TestApplication = QApplication;
#elif defined(LUMIVANE_TEST_CORE)
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
#if !defined(LUMIVANE_TEST_CORE)
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
