// SPDX-License-Identifier: MIT
// FindCgiDataDir.
#include "converter/cgidata_location.h"

#include "converter/server_kit.h"
#include "platform/file_system.h"
#include "platform/native_path.h"
#include "platform/paths.h"

#include <filesystem>

namespace orvex {

std::string FindCgiDataDir(const std::string& given) {
    if (!given.empty()) {
        return given;
    }
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path here = fs::absolute(FsPath(kCgiDataFolderName), ec);
    if (!ec && fs::is_directory(here, ec)) {
        return PathText(here);
    }
    const std::string beside = ExecutableDir();
    return beside.empty() ? std::string(kCgiDataFolderName) : JoinPath(beside, kCgiDataFolderName);
}

} // namespace orvex
