// SPDX-License-Identifier: MIT
// The application profile in memory, with a hook that sees every write as it happens.
#pragma once

#include "platform/profile_store.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace orvex::test {

class MemoryProfileStore : public ProfileStore {
public:
    using Value = std::variant<int, std::string>;

    int GetInt(std::string_view name, int defaultValue) override {
        const auto it = m_values.find(std::string(name));
        return it != m_values.end() && std::holds_alternative<int>(it->second) ? std::get<int>(it->second)
                                                                               : defaultValue;
    }
    bool SetInt(std::string_view name, int value) override {
        m_values[std::string(name)] = value;
        Notify(name);
        return true;
    }
    std::string GetString(std::string_view name, std::string_view defaultValue) override {
        const auto it = m_values.find(std::string(name));
        return it != m_values.end() && std::holds_alternative<std::string>(it->second)
                   ? std::get<std::string>(it->second)
                   : std::string(defaultValue);
    }
    bool SetString(std::string_view name, std::string_view value) override {
        m_values[std::string(name)] = std::string(value);
        Notify(name);
        return true;
    }

    std::optional<Value> Find(const std::string& name) const {
        const auto it = m_values.find(name);
        return it == m_values.end() ? std::nullopt : std::optional<Value>(it->second);
    }
    const std::map<std::string, Value>& Values() const { return m_values; }

    std::function<void(const std::string& name)> onSet;

private:
    void Notify(std::string_view name) {
        if (onSet) {
            onSet(std::string(name));
        }
    }

    std::map<std::string, Value> m_values;
};

} // namespace orvex::test
