// SPDX-License-Identifier: MIT
// A Yes/No question the core asks the user: a message box in the window program, the terminal
// for orvex-cli, a scripted answer in tests.
#pragma once

#include <string>

namespace orvex {

class Asker {
public:
    virtual ~Asker() = default;
    // question is program text; true only for Yes.
    virtual bool AskYesNo(const std::string& question) = 0;
};

} // namespace orvex
