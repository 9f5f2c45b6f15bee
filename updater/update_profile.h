// SPDX-License-Identifier: MIT
// The updater's five profile values: their names, kinds and the defaults a missing value reads as.
#pragma once

#include <string_view>

namespace orvex {

// The profile key and section: HKEY_CURRENT_USER\Software\VelmorantAuto\kdvupdate\AutoUpdateInfo
// on Windows. Sections are matched without case there, so "AutoUpdateinfo" is the same one.
inline constexpr std::string_view kProfileKey = "VelmorantAuto";
inline constexpr std::string_view kProfileApplication = "kdvupdate";
inline constexpr std::string_view kProfileSection = "AutoUpdateInfo";

// Integers, except LastDay: decimal seconds since 1970 written as text.
inline constexpr std::string_view kValueVersion = "Version";         // installed version
inline constexpr std::string_view kValueIsUpdate = "IsUpdate";       // 1: a verified package waits
inline constexpr std::string_view kValueLastDay = "LastDay";         // time of the last due check
inline constexpr std::string_view kValueUpdateDelay = "UpdateDelay"; // seconds between checks
inline constexpr std::string_view kValueCurrentVer = "CurrentVer";   // version the host announced

inline constexpr int kDefaultVersion = 81;
inline constexpr int kDefaultCurrentVer = 81;
inline constexpr int kDefaultUpdateDelay = 86400;

} // namespace orvex
