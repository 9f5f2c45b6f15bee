// SPDX-License-Identifier: MIT
// orvex-mksite ROOT PAGES ADDRESSES PAGE_BYTES [SEED [DECOYS]]: writes a generated site for benchmarks.
#include "bench/site_generator.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: orvex-mksite ROOT PAGES ADDRESSES PAGE_BYTES [SEED [DECOYS]]\n");
        return 2;
    }
    const int pages = std::atoi(argv[2]);
    const int addresses = std::atoi(argv[3]);
    const long bytes = std::atol(argv[4]);
    const auto seed = static_cast<uint32_t>(argc > 5 ? std::strtoul(argv[5], nullptr, 10) : 1);
    const int decoys = argc > 6 ? std::atoi(argv[6]) : 0;
    if (pages <= 0 || addresses < 0 || bytes <= 0 || decoys < 0) {
        std::fprintf(stderr, "orvex-mksite: PAGES and PAGE_BYTES must be positive\n");
        return 2;
    }
    if (!orvex::bench::WriteSite(argv[1], pages, addresses, static_cast<size_t>(bytes), seed, decoys)) {
        std::fprintf(stderr, "orvex-mksite: cannot write under %s\n", argv[1]);
        return 1;
    }
    return 0;
}
