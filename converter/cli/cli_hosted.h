// SPDX-License-Identifier: MIT
// orvex-cli's hosted-service commands: convert --kind hosted and clean-server.
#pragma once

#include "converter/cli/cli_options.h"
#include "converter/scan_table.h"
#include "converter/service_hosts.h"

#include <cstdio>
#include <optional>
#include <string>

namespace orvex::cli {

// The member's UserId and password as the service takes them (CP949 bytes).
struct Member {
    std::string userId;
    std::string password;
};

// The UserId of --user and the first line of --password-file (without its LF and a CR before
// it), in CP949. nullopt with a message when the file cannot be read or the text cannot be
// sent (a UserId with a space or a control byte, text without a CP949 form).
std::optional<Member> LoadMember(const Options& options, std::string& error);

struct HostedSetup {
    Member member;
    ServiceHosts hosts;
};

// The service hosts of a run. --service-host and --popup-host, when given, are first kept in the
// hosts file (in the current folder, beside default.cfg); the environment variables still win.
// nullopt with a message when a value is no host or the file cannot be written.
std::optional<ServiceHosts> RunHosts(const Options& options, std::string& error);

// The member and the service hosts of a hosted command; nullopt after naming the problem on err.
std::optional<HostedSetup> PrepareHosted(const Options& options, std::FILE* err);

// The hosted generation of an already scanned and named table into options.out.
int RunHostedGeneration(const Options& options, const HostedSetup& setup, const ScanTable& table,
                        const std::string& cgiData, std::FILE* out, std::FILE* err);

// Asks on the terminal (standard error and input) unless --yes; a standard input that is not
// a terminal answers No.
int RunCleanServer(const Options& options, std::FILE* out, std::FILE* err);

} // namespace orvex::cli
