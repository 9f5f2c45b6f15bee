// SPDX-License-Identifier: MIT
// Where the kit sources (CgiData) are found, the same rule for the window program and orvex-cli.
#pragma once

#include <string>

namespace orvex {

// given when it is not empty; else CgiData in the current directory when that is a folder;
// else CgiData beside the executable (the bare name when the executable's folder is unknown).
std::string FindCgiDataDir(const std::string& given = std::string());

} // namespace orvex
