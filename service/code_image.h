// SPDX-License-Identifier: MIT
// The pop-up's code image, drawn by codeimg's own drawing and PNG code.
#pragma once

#include <string>

namespace orvex::service {

// The PNG file of code (four digits) with fresh noise; empty when it cannot be written.
std::string DrawCodePng(const std::string& code);

} // namespace orvex::service
