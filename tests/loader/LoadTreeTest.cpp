#include <gtest/gtest.h>

#include <sstream>

#include "loader/LoadTree.h"
#include "support/TerminalText.h"

namespace {

using loader::FoundBy;
using loader::LoadRow;

LoadRow Row(const char* importName, const char* importedBy, int depth, int importer, loader::LoadKind kind,
            FoundBy foundBy, const char* fileName, std::uint16_t machine)
{
    LoadRow row;
    row.program = "app.exe";
    row.importName = importName;
    row.importedBy = importedBy;
    row.depth = depth;
    row.importer = importer;
    row.loadKind = kind;
    row.foundBy = foundBy;
    row.fileName = fileName;
    row.machine = machine;
    return row;
}

std::vector<LoadRow> SampleRows()
{
    std::vector<LoadRow> rows(5);
    rows[0] = Row("app.exe", "", 0, -1, loader::LoadKind::Program, FoundBy::Given,
                  "/very/long/folder/of/the/application/app.exe", 0x8664);
    rows[1] = Row("KERNEL32.dll", "app.exe", 1, 0, loader::LoadKind::Static, FoundBy::System,
                  "/windows/system32/kernel32.dll", 0x8664);
    rows[1].builtin = true;
    rows[2] = Row("ntdll.dll", "kernel32.dll", 2, 1, loader::LoadKind::Forwarder, FoundBy::System,
                  "/windows/system32/ntdll.dll", 0x8664);
    rows[3] = Row("gone.dll", "app.exe", 1, 0, loader::LoadKind::Delay, FoundBy::Missing, "", 0);
    rows[3].problem = loader::Problem::WrongMachine;
    rows[3].shadowed = {{"/path/x86/gone.dll", FoundBy::Path, loader::PassedOver::WrongMachine}};
    rows[4] = Row("zlib.dll", "app.exe", 1, 0, loader::LoadKind::Static, FoundBy::AppDir,
                  "/very/long/folder/of/the/application/zlib.dll", 0x8664);
    return rows;
}

TEST(LoadTreeTest, IndentsByImporterAndMarksWhatFails)
{
    const std::string tree = loader::RenderLoadTree(SampleRows(), {"1.0.0.0", "10.0.1.2"}, 200);
    EXPECT_EQ(tree,
              "app.exe => given /very/long/folder/of/the/application/app.exe 1.0.0.0 amd64\n"
              "    KERNEL32.dll => system /windows/system32/kernel32.dll 10.0.1.2 amd64 [builtin]\n"
              "        ntdll.dll (forwarder) => system /windows/system32/ntdll.dll amd64\n"
              "    gone.dll (delay) => NOT FOUND (wrong-machine)\n"
              "        ~ passed over (wrong-machine, path): /path/x86/gone.dll\n"
              "    zlib.dll => appdir /very/long/folder/of/the/application/zlib.dll amd64\n");
}

TEST(LoadTreeTest, EveryLineFitsTheWidthAndLongPathsLoseTheirMiddle)
{
    for (const std::size_t width : {20u, 40u, 60u, 79u}) {
        std::istringstream lines(loader::RenderLoadTree(SampleRows(), {}, width));
        for (std::string line; std::getline(lines, line);) {
            EXPECT_LE(line.size(), width) << line;
            EXPECT_EQ(line.find('\x1b'), std::string::npos);
        }
    }
    const std::string narrow = loader::RenderLoadTree(SampleRows(), {}, 60);
    EXPECT_NE(narrow.find("zlib.dll => appdir /very/lon...pplication/zlib.dll amd64"), std::string::npos) << narrow;
    // A cut never falls inside a UTF-8 sequence.
    const std::string wide = "/\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9/\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.dll";
    for (std::size_t width = 4; width < wide.size(); ++width) {
        const std::string cut = support::ShortenMiddle(wide, width);
        EXPECT_LE(cut.size(), width);
        const std::size_t dots = cut.find("...");
        ASSERT_NE(dots, std::string::npos);
        EXPECT_NE(static_cast<unsigned char>(cut[dots + 3 < cut.size() ? dots + 3 : 0]) & 0xC0, 0x80);
    }
}

}  // namespace
