// SPDX-License-Identifier: MIT
// The running program's current directory, and starting another program without waiting for it.
#pragma once

#include <string>

namespace orvex {

// The current directory as the system reports it, without a trailing separator (a root keeps
// its own); empty when the system does not say.
std::string CurrentDirectory();

// Starts the program at path the way the desktop opens a file (Windows: the shell's default
// action, window shown normally), in the current directory, without arguments, and does not
// wait for it or keep it as a child. False when it could not be started, as far as the system
// tells at once.
bool StartDetached(const std::string& path);

// Puts standard output and standard error in binary mode, so that what a program writes reaches
// them byte for byte: its logs carry their own CR LF, which text mode would make CR CR LF on
// Windows. Nothing to do elsewhere. Called once at start, before anything is written.
void UseBinaryStandardStreams();

} // namespace orvex
