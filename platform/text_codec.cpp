// SPDX-License-Identifier: MIT
// Text encodings: iconv on POSIX systems, the Win32 code-page API on Windows.
#include "platform/text_codec.h"

#include <algorithm>
#include <array>
#include <cctype>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#include <vector>
#endif

namespace orvex {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

constexpr std::array<std::string_view, 12> kKoreanLabels = {
    "cp949",    "euc-kr", "euckr", "ks_c_5601-1987", "ks_c_5601-1989", "ks_c_5601", "ksc5601",
    "ksc_5601", "korean", "uhc",   "windows-949",    "x-windows-949"};

#ifdef _WIN32

struct CodePageName {
    std::string_view name;
    UINT codePage;
};

// The charsets pages declare that Windows has a code page for, by the names iconv gives them.
constexpr CodePageName kCodePages[] = {
    {"CP949", 949},         {"UTF-8", CP_UTF8},    {"US-ASCII", 20127},   {"ASCII", 20127},      {"ISO-8859-1", 28591},
    {"LATIN1", 28591},      {"ISO-8859-2", 28592}, {"ISO-8859-3", 28593}, {"ISO-8859-4", 28594}, {"ISO-8859-5", 28595},
    {"ISO-8859-6", 28596},  {"ISO-8859-7", 28597}, {"ISO-8859-8", 28598}, {"ISO-8859-9", 28599}, {"ISO-8859-13", 28603},
    {"ISO-8859-15", 28605}, {"SHIFT_JIS", 932},    {"SJIS", 932},         {"CP932", 932},        {"EUC-JP", 20932},
    {"GB2312", 936},        {"GBK", 936},          {"CP936", 936},        {"BIG5", 950},         {"CP950", 950},
    {"KOI8-R", 20866},      {"KOI8-U", 21866},     {"CP437", 437},        {"CP850", 850},        {"CP852", 852},
    {"CP866", 866},         {"MACINTOSH", 10000},  {"WINDOWS-874", 874},
};

UINT CodePageOf(std::string_view charset) {
    const std::string name = Upper(charset);
    for (const CodePageName& c : kCodePages) {
        if (c.name == name) {
            return c.codePage;
        }
    }
    if (name.rfind("WINDOWS-125", 0) == 0 && name.size() == 12 && name[11] >= '0' && name[11] <= '8')
        return 1250 + static_cast<UINT>(name[11] - '0');
    return 0;
}

bool ToWide(std::string_view bytes, UINT cp, DWORD flags, std::wstring& wide) {
    if (bytes.empty()) {
        wide.clear();
        return true;
    }
    const int n = MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<size_t>(n));
    MultiByteToWideChar(cp, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return true;
}

bool FromWide(const std::wstring& wide, UINT cp, std::string& out) {
    if (wide.empty()) {
        out.clear();
        return true;
    }
    BOOL lossy = FALSE;
    const bool utf = cp == CP_UTF8;
    const int n = WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      utf ? nullptr : &lossy);
    if (n <= 0 || lossy)
        return false;
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n, nullptr, nullptr);
    out = std::move(s);
    return true;
}

#else

// Conversion descriptors, opened once per thread for each pair of charsets and kept: opening
// one loads the charset's converter module, which costs far more than converting a page.
// A descriptor is reset to its initial state before each use.
class Iconv {
public:
    Iconv(std::string_view to, std::string_view from) : m_cd(Cached(to, from)) {
        if (Ok()) {
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    bool Ok() const { return m_cd != kInvalid; }
    iconv_t Get() const { return m_cd; }

private:
    static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
    static constexpr size_t kMaxCached = 32;

    struct Entry {
        std::string to;
        std::string from;
        iconv_t cd;
    };
    struct Cache {
        std::vector<Entry> entries;
        Cache() = default;
        Cache(const Cache&) = delete;
        Cache& operator=(const Cache&) = delete;
        ~Cache() {
            for (const Entry& e : entries) {
                if (e.cd != kInvalid) {
                    iconv_close(e.cd);
                }
            }
        }
    };

    // An unknown charset is remembered too, so it is not looked up again page after page.
    static iconv_t Cached(std::string_view to, std::string_view from) {
        thread_local Cache cache;
        for (const Entry& e : cache.entries) {
            if (e.to == to && e.from == from) {
                return e.cd;
            }
        }
        // Pages may name any number of charsets; the oldest goes (no descriptor is held
        // across calls, so none is in use).
        if (cache.entries.size() == kMaxCached) {
            if (cache.entries.front().cd != kInvalid) {
                iconv_close(cache.entries.front().cd);
            }
            cache.entries.erase(cache.entries.begin());
        }
        std::string t(to);
        std::string f(from);
        const iconv_t cd = iconv_open(t.c_str(), f.c_str());
        cache.entries.push_back({std::move(t), std::move(f), cd});
        return cd;
    }

    iconv_t m_cd;
};

// Converts as much as possible; on an invalid or incomplete sequence calls onError with the
// offset of the offending byte, which returns false to stop or true to skip that one byte.
template <typename OnError>
bool Convert(const Iconv& cd, std::string_view in, std::string& out, OnError onError) {
    std::array<char, 4096> buf{};
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
        char* dst = buf.data();
        size_t room = buf.size();
        const size_t rc = iconv(cd.Get(), &src, &left, &dst, &room);
        out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            if (!onError())
                return false;
            ++src;
            --left;
            iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    char* dst = buf.data();
    size_t room = buf.size();
    iconv(cd.Get(), nullptr, nullptr, &dst, &room);
    out.append(buf.data(), static_cast<size_t>(dst - buf.data()));
    return true;
}

#endif

// Charsets in which every byte below 0x80 is that ASCII character, both ways; most of what is
// converted (addresses, paths, markup) is ASCII and needs no converter at all.
bool IsAsciiCompatible(std::string_view charset) {
    return charset == kCharsetCp949 || charset == kCharsetUtf8 || charset.rfind("ISO-8859-", 0) == 0 ||
           charset.rfind("WINDOWS-125", 0) == 0 || charset.rfind("EUC-", 0) == 0;
}

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

std::string CanonicalCharset(std::string_view label) {
    while (!label.empty() && std::isspace(static_cast<unsigned char>(label.front())))
        label.remove_prefix(1);
    while (!label.empty() && std::isspace(static_cast<unsigned char>(label.back())))
        label.remove_suffix(1);
    if (label.empty())
        return {};
    const std::string lower = Lower(label);
    if (std::find(kKoreanLabels.begin(), kKoreanLabels.end(), lower) != kKoreanLabels.end()) {
        return std::string(kCharsetCp949);
    }
    if (lower == "utf-8" || lower == "utf8")
        return std::string(kCharsetUtf8);
    const std::string upper = Upper(label);
#ifdef _WIN32
    return CodePageOf(upper) != 0 ? upper : std::string();
#else
    const Iconv probe("UTF-8", upper);
    return probe.Ok() ? upper : std::string();
#endif
}

namespace {

// What a charset we cannot decode leaves of bytes: their ASCII, the rest replaced.
std::string AsciiKept(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
        else
            out += kReplacement;
    }
    return out;
}

} // namespace

std::string DecodeToUtf8(std::string_view bytes, std::string_view charset) {
    if (IsAsciiCompatible(charset) && IsAscii(bytes)) {
        return std::string(bytes);
    }
    std::string out;
    out.reserve(bytes.size());
#ifdef _WIN32
    const UINT cp = CodePageOf(charset);
    if (cp == 0) {
        return AsciiKept(bytes);
    }
    std::wstring wide;
    std::string utf;
    if (ToWide(bytes, cp, MB_ERR_INVALID_CHARS, wide) && FromWide(wide, CP_UTF8, utf))
        return utf;
    // Slow path: decode byte runs one character at a time, replacing what does not decode.
    for (size_t i = 0; i < bytes.size();) {
        size_t len = (cp == 949 && static_cast<unsigned char>(bytes[i]) >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
        if (ToWide(bytes.substr(i, len), cp, MB_ERR_INVALID_CHARS, wide) && FromWide(wide, CP_UTF8, utf)) {
            out += utf;
            i += len;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
#else
    const Iconv cd("UTF-8", charset);
    if (!cd.Ok()) {
        return AsciiKept(bytes);
    }
    Convert(cd, bytes, out, [&out] {
        out += kReplacement;
        return true;
    });
    return out;
#endif
}

bool EncodeFromUtf8(std::string_view utf8, std::string_view charset, std::string& out) {
    if (IsAsciiCompatible(charset) && IsAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
#ifdef _WIN32
    const UINT cp = CodePageOf(charset);
    std::wstring wide;
    std::string result;
    if (cp == 0 || !ToWide(utf8, CP_UTF8, MB_ERR_INVALID_CHARS, wide) || !FromWide(wide, cp, result))
        return false;
    out = std::move(result);
    return true;
#else
    const Iconv cd(charset, "UTF-8");
    if (!cd.Ok())
        return false;
    std::string result;
    result.reserve(utf8.size());
    if (!Convert(cd, utf8, result, [] { return false; }))
        return false;
    out = std::move(result);
    return true;
#endif
}

std::string Cp949FromUtf8(std::string_view utf8) {
    std::string out;
    EncodeFromUtf8(utf8, kCharsetCp949, out);
    return out;
}

std::string ProgramTextFromUtf8(std::string_view utf8) {
#ifdef _WIN32
    std::wstring wide;
    std::string out;
    if (ToWide(utf8, CP_UTF8, 0, wide) && FromWide(wide, CP_ACP, out))
        return out;
    return std::string(utf8);
#else
    return std::string(utf8);
#endif
}

std::string Utf8FromProgramText(std::string_view text) {
#ifdef _WIN32
    std::wstring wide;
    std::string out;
    if (ToWide(text, CP_ACP, 0, wide) && FromWide(wide, CP_UTF8, out))
        return out;
    return std::string(text);
#else
    return std::string(text);
#endif
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#039;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace orvex
