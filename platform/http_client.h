// SPDX-License-Identifier: MIT
// The HTTP client the converter and the updater talk to their services with: one POST of a
// form, one GET of a whole address, the answer's body in memory. Failures are result codes.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

enum class HttpResult {
    Ok,          // an answer came; its body is in the answer
    BadAddress,  // the address cannot be requested as it stands
    Unreachable, // host not found, connection refused, no network
    Failed,      // the exchange broke off, timed out or the answer was too large
};

struct HttpOptions {
    long connectTimeoutSeconds = 30;
    long timeoutSeconds = 120; // the whole exchange
    size_t maxAnswerBytes = size_t{1} << 20;
};

class HttpClient {
public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // POST of body to http://host/path (host may carry :port), announcing the body's length,
    // with "Content-type: application/x-www-form-urlencoded" and no accept types. The body's
    // bytes are sent as they are. The answer's body, whatever its status, goes to answer.
    HttpResult PostForm(std::string_view host, std::string_view path, std::string_view body, std::string& answer);

    // GET of a whole address ("http://..."), with no headers added; nothing is cached.
    HttpResult Get(std::string_view url, std::string& answer);

    // The HTTP status of the last answer (0 when none came).
    long LastStatus() const { return m_nLastStatus; }

    // A one-line description of the last failure, for logs and messages.
    const std::string& LastError() const { return m_strLastError; }

private:
    // Clears the answer and the last status and resets the handle; false (with LastError)
    // when there is no HTTP client.
    bool Begin(std::string& answer);
    HttpResult Perform(std::string& answer);

    struct Handle;
    std::unique_ptr<Handle> m_handle;
    HttpOptions m_options;
    long m_nLastStatus = 0;
    std::string m_strLastError;
};

// The lines of an answer: split on LF, the LF dropped, a CR before it kept as part of the
// line. A final LF ends the last line and starts none; an empty answer has no line.
std::vector<std::string_view> AnswerLines(std::string_view answer);

} // namespace orvex
