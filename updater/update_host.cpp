// SPDX-License-Identifier: MIT
// Update host names.
#include "updater/update_host.h"

namespace orvex {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool IsValidPort(std::string_view port) {
    if (port.empty() || port.size() > 5) {
        return false;
    }
    long value = 0;
    for (const char c : port) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

} // namespace

bool IsValidUpdateHost(std::string_view host) {
    const size_t colon = host.find(':');
    const std::string_view name = host.substr(0, colon);
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        if (!IsNameChar(c)) {
            return false;
        }
    }
    return colon == std::string_view::npos || IsValidPort(host.substr(colon + 1));
}

std::string ResolveUpdateHost(const char* variable, bool& rejected) {
    rejected = false;
    if (variable == nullptr || variable[0] == '\0') {
        return std::string(kDefaultUpdateHost);
    }
    if (!IsValidUpdateHost(variable)) {
        rejected = true;
        return std::string(kDefaultUpdateHost);
    }
    return variable;
}

std::string UpdateHostUrl(std::string_view host, std::string_view path) {
    std::string url = "http://";
    url += host;
    url += path;
    return url;
}

} // namespace orvex
