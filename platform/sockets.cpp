// SPDX-License-Identifier: MIT
// InitSockets.
#include "platform/sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#endif

namespace orvex {

bool InitSockets() {
#ifdef _WIN32
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    return true;
#endif
}

} // namespace orvex
