// SPDX-License-Identifier: MIT
// The sockets layer, which programs that talk HTTP check once at start-up.
#pragma once

namespace orvex {

// Readies the sockets layer for the rest of the program's life (Windows Sockets 2.2); true at
// once where sockets need no initialisation.
bool InitSockets();

} // namespace orvex
