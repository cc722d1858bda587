// Reads, for each row the scan keeps, the facts that --fields asked for
// beyond the window's columns, and nothing else: each group of facts
// (version resource, headers, file status, hash) costs only when asked.
#pragma once

#include <string>
#include <vector>

#include "cli/Fields.h"
#include "engine/ExtraFacts.h"

class ModuleFactReader : public ExtraFactReader {
public:
    // `fields` as asked; the column fields among them are left to the row.
    explicit ModuleFactReader(std::vector<Field> fields);

    // One value per field that is not a column, in the order asked.
    ExtraFactValues Read(const char* path) const override;

    const std::vector<Field>& Fields() const { return m_fields; }

private:
    std::vector<Field> m_fields;
    bool m_needsVersion = false;
    bool m_needsOpenFile = false;
    std::string m_host;
};

// The computer's name, as the rows of this machine carry it.
std::string HostName();
