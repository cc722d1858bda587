// The fields of a result row that a module's bytes decide, and the rows the
// crafted sample module gives intact, without its company or without any
// version resource at all.
#pragma once

#include <ostream>
#include <string>

namespace malformed {

struct ModuleRow {
    std::string productVersion;
    std::string fileVersion;
    std::string company;
    int bits = 0;

    bool operator==(const ModuleRow& other) const
    {
        return productVersion == other.productVersion && fileVersion == other.fileVersion && company == other.company &&
               bits == other.bits;
    }
};

// What the engine shows for a version it could not read.
inline const char* const kNoVersion = "0.000000.0.000000";

// The sample's versions: product 5.6.7.8, file 1.2.3.4.
inline const char* const kSampleProductVersion = "5.000600.7.000800";
inline const char* const kSampleFileVersion = "1.000200.3.000400";
inline const char* const kSampleCompany = "Acme Corp";

inline ModuleRow Intact(int bits)
{
    return {kSampleProductVersion, kSampleFileVersion, kSampleCompany, bits};
}
inline ModuleRow WithoutCompany(int bits)
{
    return {kSampleProductVersion, kSampleFileVersion, "", bits};
}
inline ModuleRow WithCompany(const std::string& company, int bits)
{
    return {kSampleProductVersion, kSampleFileVersion, company, bits};
}
inline ModuleRow NoVersionResource(int bits)
{
    return {kNoVersion, kNoVersion, "", bits};
}

// Long companies are shown by length and ends only.
inline void PrintTo(const ModuleRow& row, std::ostream* out)
{
    std::string company = row.company;
    if (company.size() > 40)
        company = company.substr(0, 16) + "...(" + std::to_string(company.size()) + " bytes)..." +
                  company.substr(company.size() - 16);
    *out << "{product " << row.productVersion << ", file " << row.fileVersion << ", company \"" << company
         << "\", bits " << row.bits << "}";
}

}  // namespace malformed
