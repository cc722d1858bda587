#pragma once

#include "framework/CString.h"
#include "platform/win32.h"

// A last-write time in local time as "dd/mm/yyyy  hh:mm" (the offset in
// force now, as FileTimeToLocalFileTime gives it), or the empty text when
// the conversion fails.
CString LastWriteDateText(const FILETIME& lastWrite);
