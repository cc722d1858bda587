// The base of the dialog test cases: a fresh dialog per case, or a skip
// where windows cannot be made.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "DialogSession.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
        session = std::make_unique<DialogSession>();
        ASSERT_TRUE(session->IsOpen()) << "the dialog did not appear";
    }
    void TearDown() override { session.reset(); }

    std::unique_ptr<DialogSession> session;
};
