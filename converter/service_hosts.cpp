// SPDX-License-Identifier: MIT
// The hosted service's two host settings and their per-run override.
#include "converter/service_hosts.h"

#include "platform/host_setting.h"
#include "platform/text_codec.h"

#include <cstdlib>

namespace orvex {

namespace {

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

std::optional<ServiceHosts> HostsFromEnvironment(std::string& error) {
    ServiceHosts hosts;
    if (!Override(kServiceHostVariable, hosts.serviceHost, error) ||
        !Override(kPopupHostVariable, hosts.popupHost, error)) {
        return std::nullopt;
    }
    return hosts;
}

} // namespace orvex
