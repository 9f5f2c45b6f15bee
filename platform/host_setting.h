// SPDX-License-Identifier: MIT
// Host settings (a service host, the update host) as the environment may give them.
#pragma once

#include <string_view>

namespace orvex {

// True for a host name or address of ASCII letters, digits, '-' and '.' (not starting with
// '.' or '-'), optionally followed by ":" and a port from 1 to 65535. Host names are written
// into requests and pages, so nothing else is accepted.
bool IsValidHostSetting(std::string_view host);

} // namespace orvex
