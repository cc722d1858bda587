// The base of the dialog test cases: a fresh dialog per case, or a skip
// where windows cannot be made.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "DialogSession.h"
#include "ScanFiles.h"
#include "res/resource.h"

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!CanCreateWindows()) GTEST_SKIP() << "no display: run under Xvfb with DISPLAY set";
        session = std::make_unique<DialogSession>();
        ASSERT_TRUE(session->IsOpen()) << "the dialog did not appear";
    }
    void TearDown() override { session.reset(); }

    // Starts a scan of the big tree, 16-bit modules listed, and waits for
    // its first row: a scan to act on while it runs.
    const BigTree& StartBigScan() const
    {
        const BigTree& big = TheBigTree();
        session->SetChecked(IDC_INCLUDE_16_BIT, true);
        session->StartScan(big.root);
        EXPECT_TRUE(WaitUntil([&] { return session->RowCount() > 0; })) << "no row arrived";
        return big;
    }
    // Scans `directories` with the options as they are and waits for the end.
    bool ScanToTheEnd(const std::string& directories) const
    {
        session->StartScan(directories);
        return session->WaitForScanEnd();
    }

    std::unique_ptr<DialogSession> session;
};
