// Loading a string resource into a CString.
#pragma once

#include "framework/CString.h"
#include "platform/win32.h"

// The text of string resource `id` of the program; FALSE and the empty text
// when there is none.
BOOL LoadResourceString(CString& text, UINT id);
