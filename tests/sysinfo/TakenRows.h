// The pending rows of a scan state, taken out as texts.
#pragma once

#include <string>
#include <vector>

#include "engine/ScanEngine.h"

struct TakenRow {
    std::string label;     // product version
    std::string value;     // file version
    std::string fileName;
    int bits;
};

inline std::vector<TakenRow> TakeRows(CScanEngine& engine)
{
    CTypedPtrArray<CPtrArray, dllVersionInfo*> taken;
    engine.TakePendingResults(taken);
    std::vector<TakenRow> rows;
    for (int i = 0; i < taken.GetSize(); ++i) {
        dllVersionInfo* row = taken[i];
        EXPECT_STREQ(row->GetCompany(), "");
        EXPECT_STREQ(row->GetDate(), "");
        rows.push_back({row->GetProductVersion(), row->GetFileVersion(), row->GetFileName(), row->GetBits()});
        delete row;
    }
    return rows;
}
