// SPDX-License-Identifier: MIT
// Filling the %1, %2, ... places of a message text.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvex {

// Replaces each "%n" (n = 1..9) in text by the n-th argument; other text is copied unchanged.
std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args);

} // namespace orvex
