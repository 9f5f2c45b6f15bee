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

// The answer the user already gave elsewhere (a window that asked before work left its thread).
class AnsweredAsker final : public Asker {
public:
    explicit AnsweredAsker(bool answer) : m_bAnswer(answer) {}
    bool AskYesNo(const std::string&) override { return m_bAnswer; }

private:
    bool m_bAnswer;
};

} // namespace orvex
