// Prints each file's digest as sha256sum does ("<hex>  <path>"), or
// "unreadable  <path>", so a script can hold Sha256OfFile against sha256sum.
#include <cstdio>

#include "platform/hash/Sha256.h"

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const auto hex = platform::Sha256OfFile(argv[i]);
        std::printf("%s  %s\n", hex ? hex->c_str() : "unreadable", argv[i]);
    }
    return 0;
}
