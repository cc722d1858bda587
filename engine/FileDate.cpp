#include "engine/FileDate.h"

#include <cstdio>

#include "platform/UniqueHandles.h"

CString ReadLastWriteDate(const char* path)
{
    const platform::UniqueFileHandle file(
        CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return CString();

    CString date;
    FILETIME creation, access, lastWrite, local;
    SYSTEMTIME fields;
    if (GetFileTime(file.Get(), &creation, &access, &lastWrite) && FileTimeToLocalFileTime(&lastWrite, &local) &&
        FileTimeToSystemTime(&local, &fields)) {
        char text[64];
        std::snprintf(text, sizeof text, "%02d/%02d/%d  %02d:%02d", fields.wDay, fields.wMonth, fields.wYear,
                      fields.wHour, fields.wMinute);
        date = text;
    }
    return date;
}
