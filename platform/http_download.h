// SPDX-License-Identifier: MIT
// A GET of a whole address whose body is handed on block by block as it arrives, for answers
// too large to hold in memory (update packages).
#pragma once

#include "platform/http_client.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace orvex {

struct HttpDownloadOptions {
    long connectTimeoutSeconds = 30;
    long stallSeconds = 60; // give up when nothing arrives for this long; no limit on the whole
    long blockBytes = 4096; // the largest block handed to the sink (libcurl accepts 1024 and up)
};

// Receives the next block of the body; returns false to abandon the transfer.
using HttpBlockSink = std::function<bool(const char* data, size_t size)>;

// GET of url ("http://..."), nothing cached, no headers added. Only an answer with status 200
// reaches the sink; any other status ends the exchange before its body is handed on. Ok when
// the whole body arrived; otherwise a failure code, with error describing it, and the blocks
// already handed on stay handed on (also when the sink itself said stop).
HttpResult HttpDownload(std::string_view url, const HttpBlockSink& sink, std::string& error,
                        const HttpDownloadOptions& options = {});

} // namespace orvex
