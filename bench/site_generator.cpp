// SPDX-License-Identifier: MIT
// Generated pages and sites of realistic markup, for benchmarks and large tests.
#include "bench/site_generator.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>

namespace orvex::bench {

namespace {

// Markup fragments without any "@", as a typical board or shop page is made of.
constexpr std::array<std::string_view, 10> kFragments = {
    "<tr><td class=\"cell\" align=left width=120><a href=\"/board/view.php?id=1042&page=3\">"
    "\xB0\xF8\xC1\xF6\xBB\xE7\xC7\xD7</a></td>\r\n",
    "<td><img src=\"/images/icon_new.gif\" width=\"12\" height=\"12\" border=\"0\" alt=\"new\"></td>\r\n",
    "<div id=\"menu\"><ul><li><a href=\"/index.html\">Home</a></li><li><a href=\"/about.html\">About</a></li></ul>"
    "</div>\r\n",
    "<p style=\"font-size:9pt;color:#333333\">\xC8\xB8\xBF\xF8\xB4\xD4\xB2\xB2 \xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC"
    "\xBF\xE4. Lorem ipsum dolor sit amet, consectetur adipiscing elit.</p>\r\n",
    "<script type=\"text/javascript\">function go(u){ if (u != '') { location.href = u; } }</script>\r\n",
    "<table width=\"100%\" cellpadding=\"0\" cellspacing=\"0\"><tr><td height=\"1\" bgcolor=\"#DDDDDD\"></td></tr>"
    "</table>\r\n",
    "<span class=\"date\">2026-12-08</span> <b>\xB1\xE8\xC3\xB6\xBC\xF6</b> | <i>hits 1234</i><br>\r\n",
    "<form method=\"post\" action=\"/search.php\"><input type=\"text\" name=\"q\" size=\"20\">"
    "<input type=\"submit\" value=\"Search\"></form>\r\n",
    "<!-- banner area --><a href=\"http://www.example.co.kr/\" target=\"_blank\"><img src=\"/b.jpg\"></a>\r\n",
    "<link rel=\"stylesheet\" href=\"/css/style.css\" type=\"text/css\"><style>td{font-size:9pt}</style>\r\n",
};

void AppendAddress(std::string& out, uint64_t n) {
    const std::string user = "user" + std::to_string(n);
    switch (n % 3) {
    case 0:
        out += "<a href=\"mailto:" + user + "@example.co.kr\">" + user + "</a>\r\n";
        break;
    case 1:
        out += "<p>Contact: " + user + "@example.com</p>\r\n";
        break;
    default:
        out += "<map name=\"m\"><area shape=\"rect\" coords=\"0,0,9,9\" href=\"mailto:" + user +
               "@example.net\"></map>\r\n";
        break;
    }
}

} // namespace

std::string MakePage(size_t bytes, size_t addressEvery, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<size_t> pick(0, kFragments.size() - 1);
    std::string out;
    out.reserve(bytes + 256);
    out += "<html><head><title>page</title></head><body>\r\n";
    size_t nextAddress = addressEvery;
    uint64_t n = seed;
    while (out.size() < bytes) {
        if (addressEvery != 0 && out.size() >= nextAddress) {
            AppendAddress(out, n++);
            nextAddress += addressEvery;
        } else {
            out += kFragments[pick(rng)];
        }
    }
    out += "</body></html>\r\n";
    return out;
}

namespace {

// Text with "@" in it that is no address, as real pages have: style rules, handles, host-less
// users, an "@" in an attribute.
void AppendDecoy(std::string& out, uint64_t n) {
    switch (n % 4) {
    case 0:
        out += "<style>@media print { td { color: black } }</style>\r\n";
        break;
    case 1:
        out += "<p>Follow us: @orvex" + std::to_string(n) + " and root@localhost</p>\r\n";
        break;
    case 2:
        out += "<img src=\"/i/a@2x.png\" alt=\"x\">\r\n";
        break;
    default:
        out += "<p>score 3@5 at noon</p>\r\n";
        break;
    }
}

} // namespace

bool WriteSite(const std::string& root, int pages, int addresses, size_t pageBytes, uint32_t seed, int decoys) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // One page in eleven holds no address (an index, a gallery); the rest share them evenly.
    const auto holdsAddresses = [](int p) { return p % 11 != 10; };
    int holders = 0;
    for (int p = 0; p < pages; ++p) {
        holders += holdsAddresses(p) ? 1 : 0;
    }
    uint64_t n = 0;
    uint64_t d = 0;
    int holder = 0;
    for (int p = 0; p < pages; ++p) {
        // Ten folders of ten sub-folders: a site about three levels deep.
        fs::path dir = fs::path(root);
        if (p % 4 != 0) {
            dir /= "section" + std::to_string(p % 10);
            if (p % 3 == 0) {
                dir /= "sub" + std::to_string((p / 10) % 10);
            }
        }
        fs::create_directories(dir, ec);
        int mine = 0;
        if (holdsAddresses(p)) {
            mine = addresses / holders + (holder < addresses % holders ? 1 : 0);
            ++holder;
        }
        const int myDecoys = decoys / pages + (p < decoys % pages ? 1 : 0);
        std::string page = MakePage(pageBytes, 0, seed + static_cast<uint32_t>(p));
        std::string body;
        for (int a = 0; a < mine; ++a) {
            AppendAddress(body, n++);
        }
        for (int a = 0; a < myDecoys; ++a) {
            AppendDecoy(body, d++);
        }
        // Before the closing tags: in the middle of the page the addresses could land inside a
        // tag or a script, where they are not occurrences.
        page.insert(page.size() - std::string_view("</body></html>\r\n").size(), body);
        const fs::path file = dir / ("page" + std::to_string(p) + ".html");
        std::FILE* f = std::fopen(file.string().c_str(), "wb");
        if (f == nullptr) {
            return false;
        }
        const bool ok = std::fwrite(page.data(), 1, page.size(), f) == page.size();
        if (std::fclose(f) != 0 || !ok) {
            return false;
        }
    }
    return true;
}

} // namespace orvex::bench
