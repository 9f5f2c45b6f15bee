// SPDX-License-Identifier: MIT
// Host settings.
#include "platform/host_setting.h"

namespace orvex {

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

} // namespace

bool IsValidHostSetting(std::string_view host) {
    const size_t colon = host.find(':');
    const std::string_view name = host.substr(0, colon);
    if (name.empty() || name.size() > 253 || name.front() == '.' || name.front() == '-') {
        return false;
    }
    for (const char c : name) {
        if (!IsHostChar(c)) {
            return false;
        }
    }
    if (colon == std::string_view::npos) {
        return true;
    }
    const std::string_view port = host.substr(colon + 1);
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

} // namespace orvex
