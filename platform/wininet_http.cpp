// SPDX-License-Identifier: MIT
// HttpClient and HttpDownload on WinINet, Windows' own HTTP client: it takes the proxy from the
// system's internet settings, as users there expect, and needs no library of ours. Redirects are
// not followed and nothing is cached or sent as a cookie, as with libcurl elsewhere. WinINet has
// no limit on a whole exchange: the exchange's limit is applied to each wait for data instead.
#include "platform/http_client.h"
#include "platform/http_download.h"
#include "platform/native_path.h"

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

namespace orvex {

namespace {

struct Address {
    bool secure = false;
    std::wstring host;
    INTERNET_PORT port = 0;
    std::wstring path;
};

// "http://host[:port][/path]" or "https://..."; false for anything else.
bool ParseAddress(std::string_view url, Address& a) {
    std::string_view rest;
    if (url.starts_with("http://")) {
        rest = url.substr(7);
    } else if (url.starts_with("https://")) {
        rest = url.substr(8);
        a.secure = true;
    } else {
        return false;
    }
    const size_t slash = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, slash);
    std::string path = slash == std::string_view::npos ? "/" : std::string(rest.substr(slash));
    if (path.front() != '/') {
        path.insert(0, "/");
    }
    if (const size_t hash = path.find('#'); hash != std::string::npos) {
        path.resize(hash);
    }
    a.port = a.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    if (const size_t colon = authority.rfind(':');
        colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
        unsigned port = 0;
        const std::string_view digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5) {
            return false;
        }
        for (const char c : digits) {
            if (c < '0' || c > '9') {
                return false;
            }
            port = port * 10 + static_cast<unsigned>(c - '0');
        }
        if (port == 0 || port > 65535) {
            return false;
        }
        a.port = static_cast<INTERNET_PORT>(port);
        authority = authority.substr(0, colon);
    }
    if (authority.empty() || authority.find_first_of(" @\\") != std::string_view::npos) {
        return false;
    }
    a.host = WideFromProgramText(authority);
    a.path = WideFromProgramText(path);
    return true;
}

struct InternetHandle {
    HINTERNET h = nullptr;
    InternetHandle() = default;
    explicit InternetHandle(HINTERNET handle) : h(handle) {}
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    ~InternetHandle() {
        if (h != nullptr) {
            InternetCloseHandle(h);
        }
    }
};

HttpResult ResultOf(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_INVALID_URL:
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
        return HttpResult::BadAddress;
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
    case ERROR_INTERNET_CANNOT_CONNECT:
        return HttpResult::Unreachable;
    default:
        return HttpResult::Failed;
    }
}

std::string Describe(DWORD error) {
    switch (error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED:
        return "could not resolve the host name";
    case ERROR_INTERNET_CANNOT_CONNECT:
        return "could not connect to the server";
    case ERROR_INTERNET_TIMEOUT:
        return "the operation timed out";
    case ERROR_INTERNET_CONNECTION_ABORTED:
    case ERROR_INTERNET_CONNECTION_RESET:
        return "the connection was broken off";
    case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        return "the server's answer is not HTTP";
    default:
        return "WinINet error " + std::to_string(error);
    }
}

void SetTimeouts(HINTERNET session, long connectSeconds, long waitSeconds) {
    DWORD connect = static_cast<DWORD>(connectSeconds) * 1000;
    DWORD wait = static_cast<DWORD>(waitSeconds) * 1000;
    InternetSetOptionW(session, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    InternetSetOptionW(session, INTERNET_OPTION_SEND_TIMEOUT, &wait, sizeof wait);
    InternetSetOptionW(session, INTERNET_OPTION_RECEIVE_TIMEOUT, &wait, sizeof wait);
}

HINTERNET OpenSession() {
    return InternetOpenW(L"orvex", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

// One exchange, up to the answer's status; the caller reads the body from request.
struct Exchange {
    InternetHandle connection;
    InternetHandle request;
    long status = 0;
    DWORD error = 0;
    bool lengthKnown = false;
    uint64_t length = 0; // the body's Content-Length, when the answer gave one

    bool Send(HINTERNET session, const Address& a, const wchar_t* verb, const std::wstring& headers,
              std::string_view body) {
        connection.h = InternetConnectW(session, a.host.c_str(), a.port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        if (connection.h == nullptr) {
            error = GetLastError();
            return false;
        }
        const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE |
                            INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT |
                            INTERNET_FLAG_KEEP_CONNECTION | (a.secure ? INTERNET_FLAG_SECURE : 0);
        request.h = HttpOpenRequestW(connection.h, verb, a.path.c_str(), nullptr, nullptr, nullptr, flags, 0);
        if (request.h == nullptr) {
            error = GetLastError();
            return false;
        }
        if (!HttpSendRequestW(request.h, headers.empty() ? nullptr : headers.c_str(),
                              static_cast<DWORD>(headers.size()), const_cast<char*>(body.data()),
                              static_cast<DWORD>(body.size()))) {
            error = GetLastError();
            return false;
        }
        DWORD code = 0;
        DWORD size = sizeof code;
        if (!HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) {
            error = GetLastError();
            return false;
        }
        status = static_cast<long>(code);
        wchar_t text[32] = {};
        DWORD textSize = sizeof text;
        if (HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_LENGTH, text, &textSize, nullptr) && text[0] != L'\0') {
            lengthKnown = true;
            for (const wchar_t* c = text; *c != L'\0'; ++c) {
                if (*c < L'0' || *c > L'9') {
                    lengthKnown = false;
                    break;
                }
                length = length * 10 + static_cast<uint64_t>(*c - L'0');
            }
        }
        return true;
    }

    // Reads the body in blocks of at most blockBytes, each handed to take; false when reading
    // failed (error set) or take said stop.
    template <typename Take>
    bool Read(size_t blockBytes, Take take) {
        std::string block(blockBytes, '\0');
        uint64_t total = 0;
        for (;;) {
            DWORD got = 0;
            if (!InternetReadFile(request.h, block.data(), static_cast<DWORD>(block.size()), &got)) {
                error = GetLastError();
                return false;
            }
            if (got == 0) {
                // WinINet ends the body without an error when the server closes the connection
                // early; the announced length tells the whole body from a part of it.
                if (lengthKnown && total < length) {
                    error = ERROR_INTERNET_CONNECTION_ABORTED;
                    return false;
                }
                return true;
            }
            total += got;
            if (!take(block.data(), static_cast<size_t>(got))) {
                return false;
            }
        }
    }
};

} // namespace

struct HttpClient::Handle {
    InternetHandle session;
};

HttpClient::HttpClient(HttpOptions options) : m_handle(std::make_unique<Handle>()), m_options(options) {
    m_handle->session.h = OpenSession();
    if (m_handle->session.h != nullptr) {
        SetTimeouts(m_handle->session.h, m_options.connectTimeoutSeconds, m_options.timeoutSeconds);
    }
}

HttpClient::~HttpClient() = default;

bool HttpClient::Begin(std::string& answer) {
    answer.clear();
    m_nLastStatus = 0;
    if (m_handle->session.h == nullptr) {
        m_strLastError = "no HTTP client (WinINet error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return true;
}

namespace {

HttpResult Run(HINTERNET session, const HttpOptions& options, std::string_view url, const wchar_t* verb,
               const std::wstring& headers, std::string_view body, std::string& answer, long& status,
               std::string& lastError) {
    Address address;
    if (!ParseAddress(url, address)) {
        lastError = "not an http or https address";
        return HttpResult::BadAddress;
    }
    Exchange exchange;
    if (!exchange.Send(session, address, verb, headers, body)) {
        lastError = Describe(exchange.error);
        return ResultOf(exchange.error);
    }
    status = exchange.status;
    bool overflow = false;
    const bool read = exchange.Read(16384, [&](const char* data, size_t n) {
        if (answer.size() + n > options.maxAnswerBytes) {
            overflow = true;
            return false;
        }
        answer.append(data, n);
        return true;
    });
    if (!read) {
        lastError = overflow ? "answer larger than " + std::to_string(options.maxAnswerBytes) + " bytes"
                             : Describe(exchange.error);
        answer.clear();
        return HttpResult::Failed;
    }
    lastError.clear();
    return HttpResult::Ok;
}

} // namespace

HttpResult HttpClient::PostForm(std::string_view host, std::string_view path, std::string_view body,
                                std::string& answer) {
    if (!Begin(answer)) {
        return HttpResult::Failed;
    }
    const std::string url = "http://" + std::string(host) + std::string(path);
    // No accept types: HttpOpenRequest is given none, and WinINet adds no Accept line then.
    return Run(m_handle->session.h, m_options, url, L"POST", L"Content-type: application/x-www-form-urlencoded\r\n",
               body, answer, m_nLastStatus, m_strLastError);
}

HttpResult HttpClient::Get(std::string_view url, std::string& answer) {
    if (!Begin(answer)) {
        return HttpResult::Failed;
    }
    return Run(m_handle->session.h, m_options, url, L"GET", std::wstring(), std::string_view(), answer, m_nLastStatus,
               m_strLastError);
}

HttpResult HttpDownload(std::string_view url, const HttpBlockSink& sink, std::string& error,
                        const HttpDownloadOptions& options) {
    error.clear();
    Address address;
    if (!ParseAddress(url, address)) {
        error = "not an http or https address";
        return HttpResult::BadAddress;
    }
    InternetHandle session(OpenSession());
    if (session.h == nullptr) {
        error = "no HTTP client (WinINet error " + std::to_string(GetLastError()) + ")";
        return HttpResult::Failed;
    }
    SetTimeouts(session.h, options.connectTimeoutSeconds, options.stallSeconds);
    Exchange exchange;
    if (!exchange.Send(session.h, address, L"GET", std::wstring(), std::string_view())) {
        error = Describe(exchange.error);
        return ResultOf(exchange.error);
    }
    if (exchange.status != 200) {
        // The body of an error page is never a package.
        error = "HTTP status " + std::to_string(exchange.status);
        return HttpResult::Failed;
    }
    bool stopped = false;
    const bool read = exchange.Read(static_cast<size_t>(options.blockBytes), [&](const char* data, size_t n) {
        stopped = !sink(data, n);
        return !stopped;
    });
    if (!read) {
        error = stopped ? "stopped by the receiver" : Describe(exchange.error);
        return ResultOf(exchange.error);
    }
    return HttpResult::Ok;
}

} // namespace orvex
