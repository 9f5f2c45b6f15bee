// SPDX-License-Identifier: MIT
// HttpClient on libcurl. One easy handle per client, so that requests to the same host may
// reuse the connection; libcurl takes the proxy from the usual environment variables.
#include "platform/http_client.h"

#include "platform/curl_result.h"

#include <curl/curl.h>

#include <mutex>

namespace orvex {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const char* header) { list = curl_slist_append(list, header); }
};

} // namespace

struct HttpClient::Handle {
    CURL* curl = nullptr;
    ~Handle() {
        if (curl != nullptr) {
            curl_easy_cleanup(curl);
        }
    }
};

HttpClient::HttpClient(HttpOptions options) : m_handle(std::make_unique<Handle>()), m_options(options) {
    GlobalInit();
    m_handle->curl = curl_easy_init();
}

HttpClient::~HttpClient() = default;

HttpResult HttpClient::Perform(std::string& answer) {
    CURL* curl = m_handle->curl;
    Sink sink{&answer, m_options.maxAnswerBytes};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &WriteAnswer);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_options.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &m_nLastStatus);
    if (code == CURLE_OK) {
        m_strLastError.clear();
        return HttpResult::Ok;
    }
    m_strLastError = error[0] != '\0' ? error : curl_easy_strerror(code);
    if (sink.overflow) {
        m_strLastError = "answer larger than " + std::to_string(m_options.maxAnswerBytes) + " bytes";
    }
    answer.clear();
    return HttpResultOf(code);
}

HttpResult HttpClient::PostForm(std::string_view host, std::string_view path, std::string_view body,
                                std::string& answer) {
    answer.clear();
    m_nLastStatus = 0;
    CURL* curl = m_handle->curl;
    if (curl == nullptr) {
        m_strLastError = "no HTTP client";
        return HttpResult::Failed;
    }
    curl_easy_reset(curl);
    const std::string url = "http://" + std::string(host) + std::string(path);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    HeaderList headers;
    headers.Add("Content-type: application/x-www-form-urlencoded");
    headers.Add("Accept:"); // no accept types
    headers.Add("Expect:"); // the body goes with the request, not after a 100 Continue
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    const HttpResult r = Perform(answer);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    return r;
}

HttpResult HttpClient::Get(std::string_view url, std::string& answer) {
    answer.clear();
    m_nLastStatus = 0;
    CURL* curl = m_handle->curl;
    if (curl == nullptr) {
        m_strLastError = "no HTTP client";
        return HttpResult::Failed;
    }
    curl_easy_reset(curl);
    const std::string address(url);
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    return Perform(answer);
}

std::vector<std::string_view> AnswerLines(std::string_view answer) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < answer.size()) {
        const size_t lf = answer.find('\n', start);
        if (lf == std::string_view::npos) {
            lines.push_back(answer.substr(start));
            break;
        }
        lines.push_back(answer.substr(start, lf - start));
        start = lf + 1;
    }
    return lines;
}

} // namespace orvex
