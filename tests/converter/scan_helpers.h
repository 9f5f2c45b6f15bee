// SPDX-License-Identifier: MIT
// Running the scanner over a string in tests.
#pragma once

#include "converter/html_scanner.h"

#include <string>
#include <string_view>
#include <vector>

namespace orvex::test {

struct Found {
    EntryKind kind;
    size_t start;
    size_t end;
    std::string address;
    std::string name;
    bool operator==(const Found&) const = default;
};

inline std::vector<Found> Scan(std::string_view page) {
    HtmlScanner scanner(page);
    std::vector<Found> out;
    FoundAddress f;
    while (scanner.Next(f)) {
        out.push_back({f.kind, f.spanStart, f.spanEnd, std::string(f.address), std::string(f.name)});
    }
    return out;
}

inline std::string SpanText(std::string_view page, const Found& f) {
    return std::string(page.substr(f.start, f.end - f.start));
}

} // namespace orvex::test
