#include "engine/RowCells.h"

const std::array<const char*, kRowCellCount> kColumnHeadings = {"Prod Ver", "File Ver", "Date Ver",
                                                                "Bit",      "Company",  "Filename"};

std::string ExportCellText(std::string cell)
{
    for (char& c : cell) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return cell;
}

std::string BitCell(int bits)
{
    return bits > 0 ? std::to_string(bits) : std::string();
}

std::array<std::string, kRowCellCount> RowCells(const dllVersionInfo& row)
{
    return {row.GetProductVersion(), row.GetFileVersion(), row.GetDate(),
            BitCell(row.GetBits()),  row.GetCompany(),     row.GetFileName()};
}
