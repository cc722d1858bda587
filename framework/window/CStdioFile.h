// A file written as text, as the framework's text file class.
#pragma once

#include "framework/window/CFile.h"

class CStdioFile : public CFile {
public:
    // Text mode unless `openFlags` holds typeBinary.
    CStdioFile(LPCSTR fileName, UINT openFlags);

    void WriteString(LPCSTR text);

private:
    bool m_textMode;
    bool m_lastWasCarriageReturn = false;
};
