// A few crafted modules that the compiled fixtures lack: NE images, a PE32+
// image whose version resource exists in several languages, texts outside
// ASCII, and bare MS-DOS headers for the bitness probe. Seeds of the fuzz
// targets and cases of the replay suite.
#pragma once

#include <string>
#include <vector>

#include "crafted_images.h"

namespace fuzz {

struct CraftedSeed {
    std::string name;  // also its file name in a seed folder
    crafted::Bytes bytes;
    // What the engine reads from it under PinReaderLanguage().
    int bitness;
    std::uint32_t fileVersionMS;
    std::string company;
    // The conversion to UTF-8 may need more room than the block's second
    // half leaves a text at the end of the block: then the company read is
    // `company` cut after a whole character.
    bool companyMayBeCut = false;
};

std::vector<CraftedSeed> CraftedSeeds();

}  // namespace fuzz
