// SPDX-License-Identifier: MIT
// How libcurl's failures become HttpResult codes; for platform/'s own HTTP sources only.
#pragma once

#include "platform/http_client.h"

#include <curl/curl.h>

namespace orvex {

inline HttpResult HttpResultOf(CURLcode code) {
    switch (code) {
    case CURLE_OK:
        return HttpResult::Ok;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return HttpResult::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_CONNECT:
        return HttpResult::Unreachable;
    default:
        return HttpResult::Failed;
    }
}

} // namespace orvex
