// SPDX-License-Identifier: MIT
// JSON string literals for orvex-cli's lines.
#include "converter/json_text.h"

#include <cstdint>

namespace orvex {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at the start of s, or 0 with *bad set to the
// bytes to replace by one U+FFFD: the lead and each continuation byte that fitted, so a byte
// that broke a sequence is looked at again as a start of its own.
size_t Utf8Sequence(std::string_view s, size_t* bad) {
    const auto b = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
    const uint8_t lead = b(0);
    size_t need = 0;
    uint8_t lo = 0x80;
    uint8_t hi = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2;
        lo = lead == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        hi = lead == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3;
        lo = lead == 0xF0 ? 0x90 : 0x80;
        hi = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        *bad = 1;
        return 0;
    }
    for (size_t i = 1; i <= need; ++i) {
        if (i >= s.size() || b(i) < lo || b(i) > hi) {
            *bad = i;
            return 0;
        }
        lo = 0x80;
        hi = 0xBF;
    }
    return need + 1;
}

bool IsPlain(uint8_t c) {
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}

} // namespace

void AppendJsonString(std::string& out, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    size_t i = 0;
    while (i < bytes.size()) {
        // Most of a line needs no escape: take it in one piece.
        size_t plain = i;
        while (plain < bytes.size() && IsPlain(static_cast<uint8_t>(bytes[plain]))) {
            ++plain;
        }
        out.append(bytes.data() + i, plain - i);
        i = plain;
        if (i == bytes.size()) {
            break;
        }
        const auto c = static_cast<uint8_t>(bytes[i]);
        if (c >= 0x80) {
            size_t bad = 0;
            const size_t n = Utf8Sequence(bytes.substr(i), &bad);
            if (n == 0) {
                out += kReplacement;
                i += bad;
            } else {
                out.append(bytes.data() + i, n);
                i += n;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
            break;
        }
        ++i;
    }
    out += '"';
}

} // namespace orvex
