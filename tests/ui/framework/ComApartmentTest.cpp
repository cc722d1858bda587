// The apartment that the program's thread enters for the shell's folder
// picker: single-threaded while it lives, and left again when it ends.
#include <gtest/gtest.h>

#include <thread>

#include "framework/window/ComApartment.h"

namespace {

// What a request for the multi-threaded apartment answers on this thread,
// which it leaves again when it got in.
HRESULT AskForMultiThreaded()
{
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(result)) CoUninitialize();
    return result;
}

TEST(ComApartment, IsSingleThreadedWhileItLivesAndLeftAfterwards)
{
    std::thread([] {
        {
            const ComApartment apartment;
            EXPECT_TRUE(apartment.IsEntered());
            EXPECT_EQ(AskForMultiThreaded(), RPC_E_CHANGED_MODE);
        }
        EXPECT_EQ(AskForMultiThreaded(), S_OK) << "the apartment was not left";
    }).join();
}

}  // namespace
