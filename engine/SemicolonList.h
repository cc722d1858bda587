#pragma once

#include "framework/CString.h"
#include "framework/CStringArray.h"

// Splits `text` at every ';' into `list` (emptied first). Empty pieces stay,
// nothing is trimmed, and the piece after the last ';' is always kept, so
// the list has one entry more than the text has separators.
void SplitSemicolonList(CString text, CStringArray& list);
