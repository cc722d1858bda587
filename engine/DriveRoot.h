// The text that names the root of a drive letter (c to z) for the walker.
#pragma once

#include "framework/CString.h"

// "c:\" on Windows; on POSIX the Wine prefix's link for that drive. Empty
// when the letter stands for nothing here.
CString DriveRootText(char letter);
