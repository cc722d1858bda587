// A worker is named through its handle right after it starts, and a short
// scan's worker may be gone by then: naming must never reach a thread that
// has ended (its id may already belong to another), and a running thread
// gets the name.
#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>
#include <string>

#include "platform/win32.h"

namespace {

unsigned WINAPI EndAtOnce(void*) { return 0; }

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
