#include "platform/TerminationSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <future>

#include "base/SerialQueue.h"

namespace {

// The stop a signal asks for, with a worker that never returns (a read stuck in a driver):
// the event loop ends, then leaving the scope would join the worker for ever.
void stopWhileAWorkerIsStuck(int signo, int times) {
    ::alarm(60);  // a child that would wait for ever dies of SIGALRM instead: a failure, no hang
    ASSERT_TRUE(tarvel::quitOnTerminationSignals());
    std::promise<void> never;
    tarvel::SerialQueue stuck("stuck");
    stuck.async([&] { never.get_future().wait(); });
    QTimer::singleShot(0, [=] {
        for (int i = 0; i < times; ++i) ::kill(::getpid(), signo);
    });
    QCoreApplication::exec();
}

}  // namespace

TEST(TerminationSignals, LeaveEvenWhenAWorkerCannotBeJoined) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        int signo;
        int times;
    } cases[] = {{SIGINT, 1}, {SIGTERM, 2}};  // the alarm's way out, then the second signal's
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "signal " << c.signo << " sent " << c.times << "x");
        EXPECT_EXIT(stopWhileAWorkerIsStuck(c.signo, c.times),
                    testing::ExitedWithCode(128 + c.signo), "still busy after the stop signal");
    }
}
