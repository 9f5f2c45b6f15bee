// SPDX-License-Identifier: MIT
// Unpredictable texts from the system's random source: tokens, page codes, pop-up codes.
#pragma once

#include <string>

namespace orvex::service {

// 2 * bytes lower-case hexadecimal digits.
std::string RandomHex(size_t bytes);
// Four decimal digits, each code equally likely.
std::string RandomCode();

} // namespace orvex::service
