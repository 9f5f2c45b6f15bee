// SPDX-License-Identifier: MIT
// libcurl, loaded when the first HTTP exchange needs it rather than when the program starts:
// linked directly it brings some thirty libraries (TLS, Kerberos, LDAP, ...) into every run,
// which costs a scan that never touches the network more than the scan itself.
// For platform/'s own HTTP sources only.
#pragma once

#include <curl/curl.h>

#include <string>

namespace orvex {

struct CurlLibrary {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_reset) easy_reset;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_perform) easy_perform;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_slist_append) slist_append;
    decltype(&curl_slist_free_all) slist_free_all;
};

// The library, loaded and globally initialised once per process; nullptr when it cannot be
// loaded, with the reason in *error (when error is given).
const CurlLibrary* Curl(std::string* error = nullptr);

} // namespace orvex
