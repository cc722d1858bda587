// Writes the crafted seeds into the folder named by the one argument.
#include <cstdio>
#include <exception>

#include "crafted_seeds.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    try {
        for (const fuzz::CraftedSeed& seed : fuzz::CraftedSeeds())
            crafted::WriteFile(std::string(argv[1]) + "/" + seed.name, seed.bytes);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
