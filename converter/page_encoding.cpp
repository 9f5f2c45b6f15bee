// SPDX-License-Identifier: MIT
// A page's declared encoding, and text of the program's own written in that encoding.
#include "converter/page_encoding.h"

#include "platform/text_codec.h"

#include <cctype>
#include <cstdint>

namespace orvex {

namespace {

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view word) {
    if (s.size() - at < word.size()) {
        return false;
    }
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[at + i])) != word[i]) {
            return false;
        }
    }
    return true;
}

// The charset label in one meta tag's text (between "<meta" and ">"), or empty.
std::string_view CharsetLabelInTag(std::string_view tag) {
    for (size_t i = 0; i < tag.size(); ++i) {
        if (!StartsWithNoCase(tag, i, "charset")) {
            continue;
        }
        size_t p = i + 7;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '\r' || tag[p] == '\n'))
            ++p;
        if (p >= tag.size() || tag[p] != '=') {
            continue;
        }
        ++p;
        while (p < tag.size() && (tag[p] == ' ' || tag[p] == '\t' || tag[p] == '\'' || tag[p] == '"'))
            ++p;
        const size_t start = p;
        while (p < tag.size() && (std::isalnum(static_cast<unsigned char>(tag[p])) || tag[p] == '-' || tag[p] == '_' ||
                                  tag[p] == '.' || tag[p] == ':')) {
            ++p;
        }
        if (p > start) {
            return tag.substr(start, p - start);
        }
    }
    return {};
}

size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

uint32_t DecodeUtf8(std::string_view seq) {
    const auto b = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(seq[i])); };
    switch (seq.size()) {
    case 2:
        return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
    case 3:
        return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
    case 4:
        return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
    default:
        return b(0);
    }
}

} // namespace

std::string DetectPageEncoding(std::string_view page) {
    const std::string_view head = page.substr(0, kCharsetSearchBytes);
    for (size_t i = head.find('<'); i != std::string_view::npos; i = head.find('<', i + 1)) {
        if (!StartsWithNoCase(head, i + 1, "meta")) {
            continue;
        }
        const size_t close = head.find('>', i);
        const std::string_view tag = head.substr(i, close == std::string_view::npos ? head.npos : close - i);
        const std::string_view label = CharsetLabelInTag(tag);
        if (!label.empty()) {
            std::string canonical = CanonicalCharset(label);
            if (!canonical.empty()) {
                return canonical;
            }
        }
    }
    return std::string(kCharsetCp949);
}

std::string EncodeForPage(std::string_view utf8, std::string_view charset) {
    std::string out;
    if (EncodeFromUtf8(utf8, charset, out)) {
        return out;
    }
    // Character by character: what the charset cannot hold becomes a character reference.
    out.clear();
    for (size_t i = 0; i < utf8.size();) {
        size_t len = Utf8SequenceLength(static_cast<unsigned char>(utf8[i]));
        if (i + len > utf8.size()) {
            len = 1;
        }
        const std::string_view seq = utf8.substr(i, len);
        std::string one;
        if (EncodeFromUtf8(seq, charset, one)) {
            out += one;
        } else {
            out += "&#" + std::to_string(DecodeUtf8(seq)) + ";";
        }
        i += len;
    }
    return out;
}

std::string Cp949ToPageText(std::string_view cp949, std::string_view charset) {
    std::string out;
    AssignCp949AsPageText(cp949, charset, out);
    return out;
}

void AssignCp949AsPageText(std::string_view cp949, std::string_view charset, std::string& out) {
    if (charset == kCharsetCp949) {
        out.assign(cp949);
    } else {
        out = EncodeForPage(DecodeToUtf8(cp949, kCharsetCp949), charset);
    }
}

} // namespace orvex
