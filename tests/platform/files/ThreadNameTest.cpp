// A worker is named through its handle right after it starts, and a short
// scan's worker may be gone by then: naming must never reach a thread that
// has ended (its id may already belong to another), and a running thread
// gets the name.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <pthread.h>
#include <string>

#include "platform/win32.h"

namespace {

unsigned WINAPI EndAtOnce(void*)
{
    return 0;
}

struct Running {
    std::atomic<bool> named{false};
    std::atomic<bool> done{false};
    std::string seen;
};

unsigned WINAPI WaitForName(void* argument)
{
    auto* running = static_cast<Running*>(argument);
    while (!running->named) {
    }
    char name[16] = "";
    pthread_getname_np(pthread_self(), name, sizeof name);
    running->seen = name;
    return 0;
}

TEST(ThreadName, AnEndedThreadIsNotTouchedAndARunningOneIsNamed)
{
    for (int i = 0; i < 500; ++i) {
        const auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, EndAtOnce, nullptr, 0, nullptr));
        ASSERT_NE(thread, nullptr);
        ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
        // As on Windows, where the open handle keeps the thread object.
        EXPECT_EQ(SetThreadDescription(thread, u"ScannerThread"), S_OK) << "cycle " << i;
        CloseHandle(thread);
    }

    Running running;
    const auto thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WaitForName, &running, 0, nullptr));
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(SetThreadDescription(thread, u"ScannerThread"), S_OK);
    running.named = true;
    ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(running.seen, "ScannerThread");
    CloseHandle(thread);
}

}  // namespace

// A wait on a thread returns once the thread is gone, as on Windows: its
// thread-local clean-up (a library's per-thread state) is done by then, so a
// program that waits and then exits leaves nothing of it behind.
struct LateCleanUp {
    std::atomic<bool>* done = nullptr;
    ~LateCleanUp()
    {
        timespec pause{0, 50 * 1000 * 1000};
        nanosleep(&pause, nullptr);
        if (done) *done = true;
    }
};

thread_local LateCleanUp t_lateCleanUp;

unsigned WINAPI UseThreadLocalState(void* argument)
{
    t_lateCleanUp.done = static_cast<std::atomic<bool>*>(argument);
    return 0;
}

TEST(ThreadEnd, AWaitReturnsOnlyOnceTheThreadsCleanUpIsDone)
{
    for (const DWORD wait : {static_cast<DWORD>(INFINITE), static_cast<DWORD>(5000)}) {
        std::atomic<bool> done{false};
        const auto thread =
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, UseThreadLocalState, &done, 0, nullptr));
        ASSERT_NE(thread, nullptr);
        ASSERT_EQ(WaitForSingleObject(thread, wait), WAIT_OBJECT_0);
        EXPECT_TRUE(done);
        // A second wait finds it gone too, and joins nothing twice.
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
        CloseHandle(thread);
    }
}
