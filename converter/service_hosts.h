// SPDX-License-Identifier: MIT
// The two host names of the hosted service: the service host (upload, cleaning, registration
// page, and the comment after every script block) and the pop-up host written into pages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kDefaultServiceHost = "service.orvex.kr";
inline constexpr std::string_view kDefaultPopupHost = "secure.orvex.kr";
inline constexpr const char* kServiceHostVariable = "ORVEX_SERVICE_HOST";
inline constexpr const char* kPopupHostVariable = "ORVEX_POPUP_HOST";

struct ServiceHosts {
    std::string serviceHost = std::string(kDefaultServiceHost); // host or host:port, plain HTTP
    std::string popupHost = std::string(kDefaultPopupHost);     // host or host:port, reached over https
};

// The compiled-in hosts, each replaced by its environment variable when that is set. nullopt,
// with a message in program text, when a variable is set to something that is not a host.
std::optional<ServiceHosts> HostsFromEnvironment(std::string& error);

} // namespace orvex
