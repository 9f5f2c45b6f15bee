// SPDX-License-Identifier: MIT
// The service's rules in numbers: the server kits' pop-up limits, kept per client within each
// member's pages, the member-wide caps over all clients, and the member rules of the upload,
// cleaning and registration.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::service {

inline constexpr int64_t kHour = 3600;
inline constexpr int64_t kDay = 86400;
// What the converter counts with: a member's store and one page's address list.
inline constexpr int64_t kStoreSize = 100;
inline constexpr size_t kMaxAddressListBytes = 5 * 1024;

struct ServiceLimits {
    // The kits' limits (a value of 0 turns a quota off).
    int64_t token_seconds = 180;          // a code must be typed within three minutes
    int64_t max_failures = 5;             // this many failures ...
    int64_t failure_window = 600;         // ... within ten minutes ...
    int64_t block_seconds = 1800;         // ... block the client for half an hour
    int64_t reveal_per_hour = 10;         // different addresses of one member a client may see in an hour ...
    int64_t reveal_per_day = 30;          // ... and in a day;
    int64_t reveal_per_day_network = 100; // all clients of one network together, per member, in a day
    int64_t popup_per_hour = 30;          // pop-ups of one member a client may open in an hour
    // Per member, all clients together: a harvester spread over many networks still meets these.
    int64_t member_reveal_per_day = 2000;
    int64_t member_popup_per_hour = 1000;
    // Members.
    int64_t cleaning_pause = 30;   // seconds between two cleanings
    int64_t password_failures = 5; // wrong passwords for one member within ...
    int64_t password_window = 600; // ... this many seconds lock its password ...
    int64_t password_lock = 900;   // ... for this long
    int64_t register_per_hour = 5; // sign-ups from one client in an hour
};

// Applies one "name=value" setting; false with a message for an unknown name or a value that is
// not a whole number of 0 or more.
bool SetLimit(ServiceLimits& limits, std::string_view setting, std::string& error);

} // namespace orvex::service
