// SPDX-License-Identifier: MIT
// kdvupdate's numeric resource and command ids, each carried by its Qt object as the
// "resourceId" property so that tests can find it.
#pragma once

namespace orvex::ui {

inline constexpr int kIdrMainFrame = 128;        // the window icon, large and small
inline constexpr int kIddAutoUpdateDialog = 102; // the one window
inline constexpr int kIdsSocketsFailed = 103;    // the message when the sockets layer fails
inline constexpr int kIdOk = 1;                  // the "종료" button's command

inline constexpr const char* kResourceIdProperty = "resourceId";

} // namespace orvex::ui
