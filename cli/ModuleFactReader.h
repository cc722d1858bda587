// Reads, for each row the scan keeps, the facts that --fields asked for
// beyond the window's columns, and nothing else: each group of facts
// (version resource, headers, file status, hash) costs only when asked.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/Fields.h"
#include "engine/ExtraFacts.h"
#include "platform/signature/ModuleSignature.h"

class ModuleFactReader : public ExtraFactReader {
public:
    // `fields` as asked; the column fields among them are left to the row.
    // `trustRoots`: PEM roots a signer's chain is checked against (empty:
    // the platform's default); loaded once, see LoadError.
    explicit ModuleFactReader(std::vector<Field> fields, const std::string& trustRoots = std::string());

    // Empty when the trust roots (if any) loaded; else a message for the user.
    std::string LoadError() const;

    // One value per field that is not a column, in the order asked.
    ExtraFactValues Read(const char* path) const override;

    const std::vector<Field>& Fields() const { return m_fields; }

private:
    std::vector<Field> m_fields;
    bool m_needsVersion = false;
    bool m_needsOpenFile = false;
    bool m_needsHash = false;
    // Made only when a signature field is asked or roots are named.
    std::unique_ptr<platform::SignatureChecker> m_signatures;
    std::string m_host;
};

// The computer's name, as the rows of this machine carry it.
std::string HostName();
