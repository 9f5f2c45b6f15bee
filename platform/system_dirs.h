// SPDX-License-Identifier: MIT
// System folders that programs keep shared data under.
#pragma once

#include <string>

namespace orvex {

// Windows: the Windows directory. Elsewhere its stand-in, the per-user data folder:
// $XDG_DATA_HOME when set to an absolute path, otherwise $HOME/.local/share. Never created
// here; empty when neither can be determined.
std::string SystemDataDirectory();

} // namespace orvex
