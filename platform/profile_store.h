// SPDX-License-Identifier: MIT
// A program's small per-user store of named integers and strings (the application profile):
// the registry on Windows, an INI file elsewhere, memory in tests.
#pragma once

#include <string>
#include <string_view>

namespace orvex {

// One section of the profile. Names are matched as the store's platform matches them; a value
// that is missing or of the wrong kind reads as the default. Setters return false when the
// value could not be stored; callers that cannot do anything about it may ignore that.
class ProfileStore {
public:
    virtual ~ProfileStore() = default;

    virtual int GetInt(std::string_view name, int defaultValue) = 0;
    virtual bool SetInt(std::string_view name, int value) = 0;
    virtual std::string GetString(std::string_view name, std::string_view defaultValue) = 0;
    virtual bool SetString(std::string_view name, std::string_view value) = 0;
};

} // namespace orvex
