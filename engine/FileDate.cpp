#include "engine/FileDate.h"

#include <cstdio>

CString LastWriteDateText(const FILETIME& lastWrite)
{
    CString date;
    FILETIME local;
    SYSTEMTIME fields;
    if (FileTimeToLocalFileTime(&lastWrite, &local) && FileTimeToSystemTime(&local, &fields)) {
        char text[64];
        std::snprintf(text, sizeof text, "%02d/%02d/%d  %02d:%02d", fields.wDay, fields.wMonth, fields.wYear,
                      fields.wHour, fields.wMinute);
        date = text;
    }
    return date;
}
