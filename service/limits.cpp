// SPDX-License-Identifier: MIT
// Limits set by name from the command line.
#include "service/limits.h"

#include <array>
#include <charconv>
#include <utility>

namespace orvex::service {

namespace {

constexpr std::array<std::pair<std::string_view, int64_t ServiceLimits::*>, 15> kLimits = {{
    {"token_seconds", &ServiceLimits::token_seconds},
    {"max_failures", &ServiceLimits::max_failures},
    {"failure_window", &ServiceLimits::failure_window},
    {"block_seconds", &ServiceLimits::block_seconds},
    {"reveal_per_hour", &ServiceLimits::reveal_per_hour},
    {"reveal_per_day", &ServiceLimits::reveal_per_day},
    {"reveal_per_day_network", &ServiceLimits::reveal_per_day_network},
    {"popup_per_hour", &ServiceLimits::popup_per_hour},
    {"member_reveal_per_day", &ServiceLimits::member_reveal_per_day},
    {"member_popup_per_hour", &ServiceLimits::member_popup_per_hour},
    {"cleaning_pause", &ServiceLimits::cleaning_pause},
    {"password_failures", &ServiceLimits::password_failures},
    {"password_window", &ServiceLimits::password_window},
    {"password_lock", &ServiceLimits::password_lock},
    {"register_per_hour", &ServiceLimits::register_per_hour},
}};

} // namespace

bool SetLimit(ServiceLimits& limits, std::string_view setting, std::string& error) {
    const size_t eq = setting.find('=');
    const std::string_view name = setting.substr(0, eq);
    for (const auto& [known, member] : kLimits) {
        if (known != name) {
            continue;
        }
        const std::string_view text = eq == std::string_view::npos ? std::string_view() : setting.substr(eq + 1);
        int64_t value = -1;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 0) {
            error = "the limit " + std::string(name) + " needs a whole number of 0 or more";
            return false;
        }
        limits.*member = value;
        return true;
    }
    error = "unknown limit: " + std::string(name);
    return false;
}

} // namespace orvex::service
