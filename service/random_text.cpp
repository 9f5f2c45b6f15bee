// SPDX-License-Identifier: MIT
// Random texts through libsodium's generator.
#include "service/random_text.h"

#include <sodium.h>

#include <cstdio>
#include <vector>

namespace orvex::service {

std::string RandomHex(size_t bytes) {
    std::vector<unsigned char> raw(bytes);
    randombytes_buf(raw.data(), raw.size());
    std::string hex(bytes * 2 + 1, '\0');
    sodium_bin2hex(hex.data(), hex.size(), raw.data(), raw.size());
    hex.pop_back();
    return hex;
}

std::string RandomCode() {
    char code[8];
    std::snprintf(code, sizeof code, "%04u", static_cast<unsigned>(randombytes_uniform(10000)));
    return code;
}

} // namespace orvex::service
