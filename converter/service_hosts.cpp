// SPDX-License-Identifier: MIT
// The hosted service's two host settings and their per-run override.
#include "converter/service_hosts.h"

#include "converter/le_record.h"
#include "platform/file_system.h"
#include "platform/host_setting.h"
#include "platform/native_path.h"
#include "platform/output_file.h"
#include "platform/text_codec.h"

#include <cstdlib>

namespace orvex {

namespace {

constexpr int32_t kMaxHostLength = 260;

bool Override(const char* variable, std::string& into, std::string& error) {
    const char* value = std::getenv(variable);
    if (value == nullptr) {
        return true;
    }
    if (!IsValidHostSetting(value)) {
        error = NotAHostMessage(variable, value);
        return false;
    }
    into = value;
    return true;
}

} // namespace

std::string NotAHostMessage(std::string_view name, std::string_view value) {
    return std::string(name) + ProgramTextFromUtf8(" 의 값이 호스트 이름(호스트 또는 호스트:포트)이 아닙니다: ") +
           std::string(value);
}

std::string HostsPathBeside(const std::string& path) {
    return PathText(FsPath(path).parent_path() / FsPath(std::string(kHostsFileName)));
}

ServiceHosts ReadHostsFile(const std::string& path) {
    ServiceHosts hosts;
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
        return hosts;
    }
    LeRecordReader in(bytes);
    for (std::string* host : {&hosts.serviceHost, &hosts.popupHost}) {
        std::string value;
        if (in.String(kMaxHostLength, value) == LeField::Ok && IsValidHostSetting(value)) {
            *host = value;
        }
    }
    return hosts;
}

bool WriteHostsFile(const ServiceHosts& hosts, const std::string& path) {
    std::string bytes;
    AppendLeString(bytes, hosts.serviceHost);
    AppendLeString(bytes, hosts.popupHost);
    return WriteFileReplacing(path, bytes);
}

std::optional<ServiceHosts> ResolveServiceHosts(std::string& error, const std::string& path) {
    ServiceHosts hosts = ReadHostsFile(path);
    if (!Override(kServiceHostVariable, hosts.serviceHost, error) ||
        !Override(kPopupHostVariable, hosts.popupHost, error)) {
        return std::nullopt;
    }
    return hosts;
}

} // namespace orvex
