// One row of results: a found module, or a line of system information with
// a label in the product version and a value in the file version.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "engine/ModuleFacts.h"
#include "framework/CString.h"

// What a row holds beyond the window's columns, for a scan that shows more
// (the console scanner's fields): the module's facts and where its walk
// started.
struct RowFacts {
    // Shared: a load list shows one module in the rows of several programs.
    std::shared_ptr<const ModuleFacts> module;
    std::string foundUnder;  // the directory or drive root the walk started from
};

class dllVersionInfo {
public:
    void SetFileName(const char* text) { m_fileName = text; }
    void SetCompany(const char* text) { m_company = text; }
    void SetProductVersion(const char* text) { m_productVersion = text; }
    void SetFileVersion(const char* text) { m_fileVersion = text; }
    void SetDate(const char* text) { m_date = text; }
    void SetBits(int bits) { m_bits = bits; }

    const char* GetFileName() const { return m_fileName; }
    const char* GetCompany() const { return m_company; }
    const char* GetProductVersion() const { return m_productVersion; }
    const char* GetFileVersion() const { return m_fileVersion; }
    const char* GetDate() const { return m_date; }
    int GetBits() const { return m_bits; }

    void SetFacts(std::unique_ptr<RowFacts> facts) { m_facts = std::move(facts); }
    // Null unless the scan asked for more than the columns, and for rows of
    // system information.
    const RowFacts* GetFacts() const { return m_facts.get(); }

private:
    CString m_fileName;
    CString m_company;
    CString m_productVersion;
    CString m_fileVersion;
    CString m_date;
    int m_bits = 0;
    std::unique_ptr<RowFacts> m_facts;
};
