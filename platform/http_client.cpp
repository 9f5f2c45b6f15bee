// SPDX-License-Identifier: MIT
// HttpClient on libcurl. One easy handle per client, so that requests to the same host may
// reuse the connection; libcurl takes the proxy from the usual environment variables.
#include "platform/http_client.h"

#include "platform/curl_library.h"
#include "platform/curl_result.h"

namespace orvex {

namespace {

struct Sink {
    std::string* answer;
    size_t limit;
    bool overflow = false;
};

size_t WriteAnswer(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->answer->size() + n > sink->limit) {
        sink->overflow = true;
        return 0; // makes libcurl stop with a write error
    }
    sink->answer->append(data, n);
    return n;
}

struct HeaderList {
    const CurlLibrary& api;
    curl_slist* list = nullptr;
    ~HeaderList() { api.slist_free_all(list); }
    void Add(const char* header) { list = api.slist_append(list, header); }
};

} // namespace

struct HttpClient::Handle {
    const CurlLibrary* api = nullptr;
    CURL* curl = nullptr;
    std::string loadError;
    ~Handle() {
        if (curl != nullptr) {
            api->easy_cleanup(curl);
        }
    }
};

HttpClient::HttpClient(HttpOptions options) : m_handle(std::make_unique<Handle>()), m_options(options) {
    m_handle->api = Curl(&m_handle->loadError);
    if (m_handle->api != nullptr) {
        m_handle->curl = m_handle->api->easy_init();
    }
}

HttpClient::~HttpClient() = default;

HttpResult HttpClient::Perform(std::string& answer) {
    const CurlLibrary& api = *m_handle->api;
    CURL* curl = m_handle->curl;
    Sink sink{&answer, m_options.maxAnswerBytes};
    api.easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteAnswer);
    api.easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    api.easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_options.connectTimeoutSeconds);
    api.easy_setopt(curl, CURLOPT_TIMEOUT, m_options.timeoutSeconds);
    api.easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    api.easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    char error[CURL_ERROR_SIZE] = {};
    api.easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    const CURLcode code = api.easy_perform(curl);
    api.easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    api.easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &m_nLastStatus);
    if (code == CURLE_OK) {
        m_strLastError.clear();
        return HttpResult::Ok;
    }
    m_strLastError = error[0] != '\0' ? error : api.easy_strerror(code);
    if (sink.overflow) {
        m_strLastError = "answer larger than " + std::to_string(m_options.maxAnswerBytes) + " bytes";
    }
    answer.clear();
    return HttpResultOf(code);
}

bool HttpClient::Begin(std::string& answer) {
    answer.clear();
    m_nLastStatus = 0;
    if (m_handle->curl == nullptr) {
        m_strLastError = m_handle->loadError.empty() ? "no HTTP client" : m_handle->loadError;
        return false;
    }
    m_handle->api->easy_reset(m_handle->curl);
    return true;
}

HttpResult HttpClient::PostForm(std::string_view host, std::string_view path, std::string_view body,
                                std::string& answer) {
    if (!Begin(answer)) {
        return HttpResult::Failed;
    }
    CURL* curl = m_handle->curl;
    const std::string url = "http://" + std::string(host) + std::string(path);
    m_handle->api->easy_setopt(curl, CURLOPT_URL, url.c_str());
    m_handle->api->easy_setopt(curl, CURLOPT_POST, 1L);
    m_handle->api->easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    m_handle->api->easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    HeaderList headers{*m_handle->api};
    headers.Add("Content-type: application/x-www-form-urlencoded");
    headers.Add("Accept:"); // no accept types
    headers.Add("Expect:"); // the body goes with the request, not after a 100 Continue
    m_handle->api->easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    const HttpResult r = Perform(answer);
    m_handle->api->easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    return r;
}

HttpResult HttpClient::Get(std::string_view url, std::string& answer) {
    if (!Begin(answer)) {
        return HttpResult::Failed;
    }
    CURL* curl = m_handle->curl;
    const std::string address(url);
    m_handle->api->easy_setopt(curl, CURLOPT_URL, address.c_str());
    m_handle->api->easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return Perform(answer);
}

} // namespace orvex
