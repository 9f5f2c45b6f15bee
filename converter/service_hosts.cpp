// SPDX-License-Identifier: MIT
// The hosted service's two host settings and their per-run override.
#include "converter/service_hosts.h"

#include "platform/text_codec.h"

#include <cstdlib>

namespace orvex {

namespace {

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool Override(const char* variable, std::string& into, std::string& error) {
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        return true;
    }
    if (!IsValidHostSetting(value)) {
        error = std::string(variable) +
                ProgramTextFromUtf8(" 의 값이 호스트 이름(호스트 또는 호스트:포트)이 아닙니다: ") + value;
        return false;
    }
    into = value;
    return true;
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

std::optional<ServiceHosts> HostsFromEnvironment(std::string& error) {
    ServiceHosts hosts;
    if (!Override(kServiceHostVariable, hosts.serviceHost, error) ||
        !Override(kPopupHostVariable, hosts.popupHost, error)) {
        return std::nullopt;
    }
    return hosts;
}

} // namespace orvex
