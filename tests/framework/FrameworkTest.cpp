#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "framework/CSingleLock.h"
#include "framework/CString.h"
#include "framework/CStringArray.h"
#include "framework/CTypedPtrArray.h"

namespace {

TEST(CStringTest, FindLeftMidAndJoining)
{
    CString text("a.dll;b.dll");
    EXPECT_EQ(text.Find(';'), 5);
    EXPECT_EQ(text.Find(';', 6), -1);
    EXPECT_EQ(text.Find('a', 100), -1);
    EXPECT_EQ(std::string(text.Left(5)), "a.dll");
    EXPECT_EQ(std::string(text.Mid(6)), "b.dll");
    EXPECT_EQ(std::string(text.Mid(99)), "");
    EXPECT_EQ(std::string(text.Left(-1)), "");
    EXPECT_EQ(std::string(CString("x") + "\\" + CString("y") + 'z'), "x\\yz");
    CString empty(static_cast<const char*>(nullptr));
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetLength(), 0);
}

TEST(CStringTest, MakeUpperLeavesMultibyteCharactersWhole)
{
    CString path("c:\\windows\\kernel32.dll");
    EXPECT_EQ(std::string(path.MakeUpper()), "C:\\WINDOWS\\KERNEL32.DLL");
#ifndef _WIN32
    CString utf8("\xC3\xA9t\xC3\xA9.dll");  // "été.dll"
    EXPECT_EQ(std::string(utf8.MakeUpper()), "\xC3\xA9T\xC3\xA9.DLL");
#endif
}

TEST(ArraysTest, GrowByAppendAndEmptyWithoutFreeingPointees)
{
    CStringArray texts;
    texts.SetAtGrow(texts.GetSize(), "a");
    texts.SetAtGrow(2, "c");
    ASSERT_EQ(texts.GetSize(), 3);
    EXPECT_TRUE(texts[1].IsEmpty());
    EXPECT_EQ(std::string(texts.GetAt(2)), "c");
    texts.SetSize(0, -1);
    EXPECT_EQ(texts.GetSize(), 0);

    int value = 7;
    CTypedPtrArray<CPtrArray, int*> pointers;
    pointers.SetAtGrow(pointers.GetSize(), &value);
    pointers.SetAtGrow(3, &value);
    ASSERT_EQ(pointers.GetSize(), 4);
    EXPECT_EQ(pointers[1], nullptr);
    EXPECT_EQ(*pointers.GetAt(3), 7);
    pointers.SetSize(0, -1);
    EXPECT_EQ(pointers.GetSize(), 0);
    EXPECT_EQ(value, 7);
}

TEST(LockTest, ReleasedOnEveryWayOut)
{
    CCriticalSection section;
    try {
        CSingleLock lock(&section, true);
        EXPECT_TRUE(lock.IsLocked());
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {
    }
    {
        CSingleLock lock(&section, true);
        lock.Unlock();
        EXPECT_FALSE(lock.IsLocked());
    }
    // Another thread can take it now.
    std::atomic<bool> taken{false};
    std::thread other([&] {
        CSingleLock lock(&section, true);
        taken = true;
    });
    other.join();
    EXPECT_TRUE(taken);
}

TEST(LockTest, TheHolderMayTakeItAgain)
{
    CCriticalSection section;
    CSingleLock outer(&section, true);
    {
        CSingleLock inner(&section, true);
        EXPECT_TRUE(inner.IsLocked());
    }
    EXPECT_TRUE(outer.IsLocked());
}

TEST(LockTest, ExcludesAnotherThread)
{
    CCriticalSection section;
    int counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            CSingleLock lock(&section, true);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);
}

}  // namespace
