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

// The member and the service hosts of a hosted command; nullopt after naming the problem on err.
std::optional<HostedSetup> PrepareHosted(const Options& options, std::FILE* err);

// The hosted generation of an already scanned and named table into options.out.
int RunHostedGeneration(const Options& options, const HostedSetup& setup, const ScanTable& table,
                        const std::string& cgiData, std::FILE* out, std::FILE* err);

// Asks on the terminal (standard error and input) unless --yes; a standard input that is not
// a terminal answers No.
int RunCleanServer(const Options& options, std::FILE* out, std::FILE* err);

} // namespace orvex::cli
