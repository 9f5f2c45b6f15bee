// SPDX-License-Identifier: MIT
// The service's HTTP side: the converter's upload and cleaning requests, answered in one line
// each; the pop-up that a member's pages open, its answer and the member registration page.
#pragma once

#include "service/service_store.h"

#include <httplib.h>

#include <string>
#include <vector>

namespace orvex::service {

struct ServerOptions {
    // Where visitors reach the pop-up ("https://secure.example.com"); the pop-up's own links
    // and the registration page's advice use it. Empty: links relative to the request.
    std::string popupBase;
    // Reverse proxies whose X-Forwarded-For (its last address) names the client.
    std::vector<std::string> trustedProxies;
    size_t threads = 16;
};

// Member UserId rule: what the converter can send (no space or control byte) and what a
// pop-up address carries unchanged in its query and script string. Empty when usable, else the
// reason in Korean (UTF-8).
std::string UserIdProblem(std::string_view cp949);

class ServiceServer {
public:
    ServiceServer(ServiceStore& store, ServerOptions options);
    // Binds host:port (port 0: any free port); false when it cannot.
    bool Bind(const std::string& host, int port);
    int Port() const { return m_port; }
    // Serves until Stop; requests in progress when Stop is called are answered first.
    void Run();
    void Stop();

private:
    void Upload(const std::string& body, httplib::Response& res);
    void Clean(const httplib::Request& req, httplib::Response& res);
    void Popup(const httplib::Request& req, httplib::Response& res);
    void PopupAnswer(const httplib::Request& req, httplib::Response& res);
    void RegistrationForm(const httplib::Request& req, httplib::Response& res);
    void Register(const httplib::Request& req, httplib::Response& res);
    std::string ClientOf(const httplib::Request& req) const;
    std::string PopupUrl(const AddressRef& ref) const;

    ServiceStore& m_store;
    ServerOptions m_options;
    httplib::Server m_server;
    int m_port = 0;
};

} // namespace orvex::service
