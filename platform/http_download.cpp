// SPDX-License-Identifier: MIT
// HttpDownload on libcurl, with its own easy handle: a download is one long exchange, so there
// is no connection to share with the HttpClient of the short requests.
#include "platform/http_download.h"

#include "platform/curl_library.h"
#include "platform/curl_result.h"

namespace orvex {

namespace {

struct Transfer {
    const CurlLibrary* api = nullptr;
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
        t->api->easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &t->status);
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
    const CurlLibrary& api;
    CURL* curl = api.easy_init();
    ~EasyHandle() {
        if (curl != nullptr) {
            api.easy_cleanup(curl);
        }
    }
};

} // namespace

HttpResult HttpDownload(std::string_view url, const HttpBlockSink& sink, std::string& error,
                        const HttpDownloadOptions& options) {
    error.clear();
    const CurlLibrary* api = Curl(&error);
    if (api == nullptr) {
        return HttpResult::Failed;
    }
    EasyHandle handle{*api};
    if (handle.curl == nullptr) {
        error = "no HTTP client";
        return HttpResult::Failed;
    }
    CURL* curl = handle.curl;
    Transfer transfer{api, curl, &sink};
    const std::string address(url);
    char message[CURL_ERROR_SIZE] = {};
    api->easy_setopt(curl, CURLOPT_URL, address.c_str());
    api->easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    api->easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    api->easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api->easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    api->easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    api->easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    api->easy_setopt(curl, CURLOPT_BUFFERSIZE, options.blockBytes);
    api->easy_setopt(curl, CURLOPT_WRITEFUNCTION, &DeliverBlock);
    api->easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    api->easy_setopt(curl, CURLOPT_ERRORBUFFER, message);
    const CURLcode code = api->easy_perform(curl);
    api->easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    api->easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &transfer.status);
    if (code == CURLE_OK && transfer.status == 200) {
        return HttpResult::Ok;
    }
    if (code == CURLE_OK || transfer.badStatus) {
        error = "HTTP status " + std::to_string(transfer.status);
        return HttpResult::Failed;
    }
    error =
        transfer.sinkStopped ? "stopped by the receiver" : (message[0] != '\0' ? message : api->easy_strerror(code));
    return HttpResultOf(code);
}

} // namespace orvex
