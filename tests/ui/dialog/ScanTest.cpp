// Scans started from the window: the rows, the count and the status line
// they leave, and what Stop, Clear, "&Auto clear" and "Keep most recent
// visible" do to a scan, also while it runs.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "DialogTest.h"
#include "ui/ModarisDlg.h"

namespace {

using Scan = DialogTest;

// The Filename cell of the big tree's file number `index` in walk order.
std::string BigTreeFileName(int index)
{
    const BigTree& big = TheBigTree();
    const int perFolder = big.fileCount / big.folderCount;
    char relative[32];
    std::snprintf(relative, sizeof relative, "\\D%02d\\F%02d.DLL", index / perFolder, index % perFolder);
    return UpperCase(big.root) + relative;
}

// The walk-order number of a big-tree row, from its Filename cell; -1 when
// it is no big-tree file.
int BigTreeIndex(const std::string& fileName)
{
    const BigTree& big = TheBigTree();
    const std::string root = UpperCase(big.root) + "\\D";
    int folder = 0;
    int file = 0;
    if (fileName.compare(0, root.size(), root) != 0 ||
        std::sscanf(fileName.c_str() + root.size(), "%d\\F%d.DLL", &folder, &file) != 2) {
        return -1;
    }
    return folder * (big.fileCount / big.folderCount) + file;
}

int Number(const std::string& text)
{
    return text.empty() ? -1 : std::atoi(text.c_str());
}

TEST_F(Scan, FixtureTreeGivesOneRowPerModuleCellByCell)
{
    FixtureTree tree;
    ASSERT_TRUE(ScanToTheEnd(tree.Root()));

    EXPECT_EQ(session->Rows(), tree.ExpectedRows());
    EXPECT_EQ(session->Text(IDC_FOUND_COUNT), std::to_string(tree.ExpectedCount()));
    EXPECT_EQ(session->Text(IDC_STATUS), "");
    EXPECT_EQ(session->Text(IDC_COLLECT_INFO), "&Collect Info");
    EXPECT_TRUE(session->IsEnabled(IDC_COLLECT_INFO));

    // "&Auto clear" is on: the next scan replaces the rows.
    session->Click(IDC_COLLECT_INFO);
    ASSERT_TRUE(session->WaitForScanEnd());
    EXPECT_EQ(session->Rows(), tree.ExpectedRows());
    EXPECT_EQ(session->Text(IDC_FOUND_COUNT), std::to_string(tree.ExpectedCount()));
}

TEST_F(Scan, WithoutAutoClearRowsGoBelowAndTheCountRestarts)
{
    FixtureTree tree;
    ASSERT_TRUE(ScanToTheEnd(tree.Root()));
    session->SetChecked(IDC_AUTO_CLEAR, false);
    session->Click(IDC_COLLECT_INFO);
    ASSERT_TRUE(session->WaitForScanEnd());

    std::vector<Row> twice = tree.ExpectedRows();
    twice.insert(twice.end(), tree.ExpectedRows().begin(), tree.ExpectedRows().end());
    EXPECT_EQ(session->Rows(), twice);
    EXPECT_EQ(session->Text(IDC_FOUND_COUNT), std::to_string(tree.ExpectedCount()));

    session->Click(IDC_CLEAR);
    EXPECT_EQ(session->RowCount(), 0);
    EXPECT_EQ(session->Text(IDC_FOUND_COUNT), "0");
}

TEST_F(Scan, StopEndsTheScanAtTheNextEntry)
{
    const BigTree& big = StartBigScan();
    EXPECT_EQ(session->Text(IDC_COLLECT_INFO), "&Stop");

    session->PauseWorker();
    std::string caption;
    int madeAtStop = 0;  // rows in the list and records on their way
    session->OnDialogThread([&] {
        SendMessageA(session->Item(IDC_COLLECT_INFO), BM_CLICK, 0, 0);
        caption = session->Text(IDC_COLLECT_INFO);
        madeAtStop = session->RowCount() + session->Dialog().m_pendingResults.GetSize();
    });
    EXPECT_EQ(caption, "&Collect Info");
    session->ResumeWorker();
    ASSERT_TRUE(session->WaitForScanEnd());

    // The row the held worker was making, and no more.
    const std::vector<Row> rows = session->Rows();
    EXPECT_GE(static_cast<int>(rows.size()), madeAtStop);
    EXPECT_LE(static_cast<int>(rows.size()), madeAtStop + 1);
    EXPECT_LT(static_cast<int>(rows.size()), big.fileCount);
    EXPECT_EQ(Number(session->Text(IDC_FOUND_COUNT)), static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i][5], BigTreeFileName(static_cast<int>(i))) << i;
        ASSERT_EQ(rows[i][3], "16") << i;
    }
}

TEST_F(Scan, StartRightAfterStopRunsTheWholeNewScan)
{
    const BigTree& big = StartBigScan();
    // Stop and start again before the stopped worker can have ended: its
    // end must not end the new scan.
    session->PauseWorker();
    session->Click(IDC_COLLECT_INFO);
    std::string caption;
    // The held worker goes on only now, so it is still there when the
    // start comes, which must wait for it.
    session->ResumeWorkerAnd([&] {
        SendMessageA(session->Item(IDC_COLLECT_INFO), BM_CLICK, 0, 0);
        caption = session->Text(IDC_COLLECT_INFO);
    });
    EXPECT_EQ(caption, "&Stop");
    ASSERT_TRUE(session->WaitForScanEnd(120000));

    EXPECT_EQ(session->RowCount(), big.fileCount);
    EXPECT_EQ(Number(session->Text(IDC_FOUND_COUNT)), big.fileCount);
    EXPECT_EQ(session->Cell(0, 5), BigTreeFileName(0));
    EXPECT_EQ(session->Cell(big.fileCount - 1, 5), big.lastFileName);
}

TEST_F(Scan, ClearDuringAScanEmptiesListAndCountAndTheScanGoesOn)
{
    const BigTree& big = StartBigScan();

    session->PauseWorker();
    const int lastBeforeClear = BigTreeIndex(session->Cell(session->RowCount() - 1, 5));
    int rowsAfterClear = -1;
    std::string countAfterClear;
    std::string caption;
    session->OnDialogThread([&] {
        SendMessageA(session->Item(IDC_CLEAR), BM_CLICK, 0, 0);
        rowsAfterClear = session->RowCount();
        countAfterClear = session->Text(IDC_FOUND_COUNT);
        caption = session->Text(IDC_COLLECT_INFO);
    });
    session->ResumeWorker();
    EXPECT_EQ(rowsAfterClear, 0);
    EXPECT_EQ(countAfterClear, "0");
    EXPECT_EQ(caption, "&Stop");
    ASSERT_TRUE(session->WaitForScanEnd(120000));

    // Later rows come on, in order, up to the tree's last file; the count
    // holds only what was found after Clear (a file counted just before it
    // may still bring its row).
    const std::vector<std::string> names = session->ColumnCells(5);
    ASSERT_FALSE(names.empty());
    EXPECT_GT(BigTreeIndex(names.front()), lastBeforeClear);
    for (std::size_t i = 1; i < names.size(); ++i) {
        ASSERT_EQ(BigTreeIndex(names[i]), BigTreeIndex(names[i - 1]) + 1) << names[i];
    }
    EXPECT_EQ(names.back(), big.lastFileName);
    const int count = Number(session->Text(IDC_FOUND_COUNT));
    EXPECT_GE(static_cast<int>(names.size()), count);
    EXPECT_LE(static_cast<int>(names.size()), count + 1);
}

// Top row, rows per page and row count, read between two timer ticks.
struct ListView {
    int top = -1;
    int perPage = 0;
    int rows = 0;
    bool LastRowFullyVisible() const { return rows > 0 && top <= rows - 1 && rows - 1 < top + perPage; }
};

ListView ReadListView(const DialogSession& session)
{
    ListView view;
    session.OnDialogThread([&] {
        view.top = session.TopIndex();
        view.perPage = session.CountPerPage();
        view.rows = session.RowCount();
    });
    return view;
}

TEST_F(Scan, KeepMostRecentVisibleScrollsToTheNewestRowOnlyWhileChecked)
{
    StartBigScan();
    ASSERT_GT(session->CountPerPage(), 0);
    const int page = session->CountPerPage();

    // Checked (the default): after every tick the newest row is in view.
    ASSERT_TRUE(WaitUntil([&] { return session->RowCount() > 2 * page; }));
    ListView view = ReadListView(*session);
    EXPECT_TRUE(view.LastRowFullyVisible()) << view.top << " " << view.rows;

    // Unchecked mid-scan: rows go on arriving, the view stays.
    session->PauseWorker();
    session->Click(IDC_KEEP_MOST_RECENT_VISIBLE);
    const ListView before = ReadListView(*session);
    session->ResumeWorker();
    ASSERT_TRUE(WaitUntil([&] { return session->RowCount() > before.rows + 2 * page; }));
    view = ReadListView(*session);
    EXPECT_EQ(view.top, before.top);
    EXPECT_FALSE(view.LastRowFullyVisible());

    // Checked again: the next rows bring the view down with them.
    session->PauseWorker();
    session->Click(IDC_KEEP_MOST_RECENT_VISIBLE);
    const int rowsWhenChecked = session->RowCount();
    session->ResumeWorker();
    ASSERT_TRUE(WaitUntil([&] { return session->RowCount() > rowsWhenChecked; }));
    view = ReadListView(*session);
    EXPECT_TRUE(view.LastRowFullyVisible()) << view.top << " " << view.rows;

    session->StopScanIfRunning();
    ASSERT_TRUE(session->WaitForScanEnd());
    EXPECT_TRUE(ReadListView(*session).LastRowFullyVisible());
}

TEST_F(Scan, UncheckedKeepMostRecentVisibleLeavesTheFirstRowOnTop)
{
    const BigTree& big = TheBigTree();
    session->SetChecked(IDC_INCLUDE_16_BIT, true);
    session->SetChecked(IDC_KEEP_MOST_RECENT_VISIBLE, false);
    session->StartScan(big.root);
    const int page = session->CountPerPage();
    ASSERT_TRUE(WaitUntil([&] { return session->RowCount() > 3 * page; }));
    ListView view = ReadListView(*session);
    EXPECT_EQ(view.top, 0);
    EXPECT_FALSE(view.LastRowFullyVisible());
    session->StopScanIfRunning();
    ASSERT_TRUE(session->WaitForScanEnd());
    view = ReadListView(*session);
    EXPECT_EQ(view.top, 0);
    EXPECT_FALSE(view.LastRowFullyVisible());
}

TEST_F(Scan, RowsKeepArrivingWhileTheAboutBoxIsOpen)
{
    StartBigScan();
    session->PauseWorker();
    PostMessageA(session->Window(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = FindThreadWindow(session->ThreadId(), "About Modaris")) != nullptr; }));
    const int rowsWithAboutOpen = session->RowCount();
    session->ResumeWorker();
    EXPECT_TRUE(WaitUntil([&] { return session->RowCount() > rowsWithAboutOpen; }));
    EXPECT_TRUE(IsWindow(about));

    session->SendTo(GetDlgItem(about, IDOK), BM_CLICK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    session->StopScanIfRunning();
    EXPECT_TRUE(session->WaitForScanEnd());
}

}  // namespace
