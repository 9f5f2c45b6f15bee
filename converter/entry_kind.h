// SPDX-License-Identifier: MIT
// Where in a page an address occurrence was found.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvex {

enum class EntryKind : int32_t { Text = 0, Anchor = 1, Area = 2 };

// "text", "anchor" or "area".
std::string_view EntryKindName(EntryKind kind);

} // namespace orvex
