// SPDX-License-Identifier: MIT
// Update host names.
#include "updater/update_host.h"

#include "platform/host_setting.h"

namespace orvex {

bool IsValidUpdateHost(std::string_view host) {
    return IsValidHostSetting(host);
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
