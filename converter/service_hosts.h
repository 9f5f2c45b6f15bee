// SPDX-License-Identifier: MIT
// The two host names of the hosted service: the service host (upload, cleaning, registration
// page, and the comment after every script block) and the pop-up host written into pages.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvex {

inline constexpr std::string_view kDefaultServiceHost = "service.orvex.kr";
inline constexpr std::string_view kDefaultPopupHost = "secure.orvex.kr";
inline constexpr const char* kServiceHostVariable = "ORVEX_SERVICE_HOST";
inline constexpr const char* kPopupHostVariable = "ORVEX_POPUP_HOST";
// The converter's hosts file, beside default.cfg: the service host and the pop-up host as two
// length-prefixed texts (le_record.h), nothing else. default.cfg's record stays as it is.
inline constexpr std::string_view kHostsFileName = "hosts.cfg";

struct ServiceHosts {
    std::string serviceHost = std::string(kDefaultServiceHost); // host or host:port, plain HTTP
    std::string popupHost = std::string(kDefaultPopupHost);     // host or host:port, reached over https
};

// "<name> is not a host name: <value>", in program text.
std::string NotAHostMessage(std::string_view name, std::string_view value);

// The hosts file beside another file of the converter's (default.cfg, login.cfg).
std::string HostsPathBeside(const std::string& path);

// The hosts kept in the hosts file at path; the compiled-in host for each that the file does not
// hold as a valid host (no file, a short or damaged one).
ServiceHosts ReadHostsFile(const std::string& path = std::string(kHostsFileName));
// Writes both hosts; false when the file cannot be written (an earlier one is then kept).
bool WriteHostsFile(const ServiceHosts& hosts, const std::string& path = std::string(kHostsFileName));

// The hosts of a run: the hosts file's, each replaced by its environment variable when that is
// set. nullopt, with a message in program text, when a variable is set to something that is not
// a host.
std::optional<ServiceHosts> ResolveServiceHosts(std::string& error,
                                                const std::string& path = std::string(kHostsFileName));

} // namespace orvex
