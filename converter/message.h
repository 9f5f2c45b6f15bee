// SPDX-License-Identifier: MIT
// Messages: the program's own texts as program text, and filling their %1, %2, ... places.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace orvex {

// A text of the program's own (a UTF-8 literal) as program text, for messages and logs.
std::string Text(std::string_view utf8);

// Replaces each "%n" (n = 1..9) in text by the n-th argument; other text is copied unchanged.
std::string FormatMessage(std::string_view text, std::initializer_list<std::string_view> args);

} // namespace orvex
