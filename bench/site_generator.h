// SPDX-License-Identifier: MIT
// Generated pages and sites of realistic markup, for benchmarks and large tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvex::bench {

// About `bytes` bytes of dense markup (tables, links, scripts, Korean CP949 text) with one
// address occurrence (mailto anchor, plain text or area tag, in turn) every `addressEvery`
// bytes on average; addressEvery 0 means none at all.
std::string MakePage(size_t bytes, size_t addressEvery, uint32_t seed);

// Writes a site of `pages` pages under root, spread over nested folders, each page about
// pageBytes long. One page in eleven holds no address; the others share `addresses` address
// occurrences evenly, and every page shares in `decoys` runs of text with an "@" that is no
// address. Returns false when a file cannot be written.
bool WriteSite(const std::string& root, int pages, int addresses, size_t pageBytes, uint32_t seed, int decoys = 0);

} // namespace orvex::bench
