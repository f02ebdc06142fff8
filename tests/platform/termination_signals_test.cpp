// SIGTERM and SIGINT reach the program as an event, whatever else the process is doing.

#include "platform/window_system.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cerrno>
#include <csignal>

using platform::TerminationSignals;

// Asked for before the handlers are installed (as a window set up early would), the
// notifier still tells of the signal; and a handler that meets a full pipe leaves errno
// to the code it interrupted.
TEST(TerminationSignals, ComeAsAnEventWhateverTheOrderAndLeaveErrnoAlone)
{
    bool told = false;
    QObject::connect(&TerminationSignals::Instance(), &TerminationSignals::received, [&told] { told = true; });
    ASSERT_TRUE(TerminationSignals::Watch());
    ASSERT_EQ(::raise(SIGTERM), 0);
    QElapsedTimer clock;
    clock.start();
    while (!told && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_TRUE(told);
    EXPECT_EQ(TerminationSignals::Received(), SIGTERM);

    // A pipe holds 64 KiB at most; past that every write of the handler fails.
    for (int i = 0; i < 70000; ++i) {
        errno = EDOM;
        ::raise(SIGINT);
        if (errno != EDOM) {
            ADD_FAILURE() << "errno became " << errno << " after " << i << " signals";
            break;
        }
    }
    EXPECT_TRUE(TerminationSignals::Take());
    EXPECT_FALSE(TerminationSignals::Take());
}
