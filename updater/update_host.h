// SPDX-License-Identifier: MIT
// The update host: the compiled-in one, or the one the environment names instead.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kDefaultUpdateHost = "update.orvex.kr";
inline constexpr const char* kUpdateHostVariable = "KDVUPDATE_HOST";

// The two files every update host serves.
inline constexpr std::string_view kVersionFilePath = "/service/autoup/verinfo.html";
inline constexpr std::string_view kChecksumFilePath = "/service/autoup/checksum.html";

// True for "name" or "name:port": the name made of ASCII letters, digits, '-' and '.', the
// port 1 to 65535 in decimal digits.
bool IsValidUpdateHost(std::string_view host);

// The host to use given the value of KDVUPDATE_HOST (nullptr when unset): the value when it is
// a valid host, the compiled-in host when it is unset or empty. An invalid value also gives the
// compiled-in host, with rejected set so that the caller can say so.
std::string ResolveUpdateHost(const char* variable, bool& rejected);

// "http://" + host + path.
std::string UpdateHostUrl(std::string_view host, std::string_view path);

} // namespace orvex
