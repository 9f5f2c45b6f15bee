// SPDX-License-Identifier: MIT
// HttpDownload on libcurl, with its own easy handle: a download is one long exchange, so there
// is no connection to share with the HttpClient of the short requests.
#include "platform/http_download.h"

#include "platform/curl_result.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace orvex {

namespace {

struct Transfer {
    CURL* curl = nullptr;
    const HttpBlockSink* sink = nullptr;
    long status = 0;
    bool sinkStopped = false;
    bool badStatus = false;
};

size_t DeliverBlock(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->status == 0) {
        curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &t->status);
    }
    if (t->status != 200) {
        t->badStatus = true;
        return 0; // the body of an error page is never a package
    }
    if (!(*t->sink)(data, n)) {
        t->sinkStopped = true;
        return 0;
    }
    return n;
}

struct EasyHandle {
    CURL* curl = curl_easy_init();
    ~EasyHandle() {
        if (curl != nullptr) {
            curl_easy_cleanup(curl);
        }
    }
};

} // namespace

HttpResult HttpDownload(std::string_view url, const HttpBlockSink& sink, std::string& error,
                        const HttpDownloadOptions& options) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    error.clear();
    EasyHandle handle;
    if (handle.curl == nullptr) {
        error = "no HTTP client";
        return HttpResult::Failed;
    }
    CURL* curl = handle.curl;
    Transfer transfer{curl, &sink};
    const std::string address(url);
    char message[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, options.blockBytes);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DeliverBlock);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.status);
    if (code == CURLE_OK && transfer.status == 200) {
        return HttpResult::Ok;
    }
    if (code == CURLE_OK || transfer.badStatus) {
        error = "HTTP status " + std::to_string(transfer.status);
        return HttpResult::Failed;
    }
    error =
        transfer.sinkStopped ? "stopped by the receiver" : (message[0] != '\0' ? message : curl_easy_strerror(code));
    return HttpResultOf(code);
}

} // namespace orvex
