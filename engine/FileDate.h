#pragma once

#include "framework/CString.h"

// The last-write time in local time as "dd/mm/yyyy  hh:mm", or the empty
// text when the file cannot be opened unshared or its time not read.
CString ReadLastWriteDate(const char* path);
