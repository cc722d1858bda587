#include "engine/SemicolonList.h"

void SplitSemicolonList(CString text, CStringArray& list)
{
    list.SetSize(0, -1);
    for (int separator = text.Find(';', 0); separator != -1; separator = text.Find(';', 0)) {
        list.SetAtGrow(list.GetSize(), text.Left(separator));
        text = text.Mid(separator + 1);
    }
    list.SetAtGrow(list.GetSize(), text);
}
