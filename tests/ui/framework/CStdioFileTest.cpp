// Line ends and failures of the text file class.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "FileContents.h"
#include "framework/window/CStdioFile.h"

namespace {

std::string TempPath(const char* name)
{
    char folder[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "modaris_window_test_" + std::to_string(GetCurrentProcessId()) + "_" + name;
}

TEST(CStdioFileTest, TextModeEndsEveryLineInOneCarriageReturnAndLineFeed)
{
    const std::string path = TempPath("text.txt");
    {
        std::ofstream(path, std::ios::binary) << "an older and much longer content";
    }
    CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
    file.WriteString("a\t\r\nb\n");
    file.WriteString("c\r");  // its LF comes with the next text
    file.WriteString("\nd\n");
    file.Close();
    EXPECT_EQ(ReadFileText(path), "a\t\r\nb\r\nc\r\nd\r\n");

    CStdioFile binary(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    binary.WriteString("x\ny");
    binary.Close();
    EXPECT_EQ(ReadFileText(path), "x\ny");
    DeleteFileA(path.c_str());
}

TEST(CStdioFileTest, AFileThatCannotBeCreatedRaisesAFileException)
{
    const std::string path = TempPath("no such folder\\text.txt");
    try {
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        ADD_FAILURE() << "opened " << path;
    } catch (CFileException* exception) {
        EXPECT_EQ(exception->m_cause, CFileException::badPath);
        EXPECT_EQ(exception->m_lOsError, ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(std::string(exception->m_strFileName), path);
        exception->Delete();
    }
}

}  // namespace
