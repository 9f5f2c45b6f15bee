// SPDX-License-Identifier: MIT
// A main for the fuzz targets without libFuzzer: runs the target once on every file named on the
// command line or found in a folder named there, so CTest replays the seeds and the saved crash
// inputs in the ordinary and the sanitizer builds.
#include "fuzz_support.h"

#include "platform/native_path.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = orvex::FsPath(argv[i]);
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            for (const auto& entry : fs::directory_iterator(arg)) {
                if (entry.is_regular_file()) {
                    inputs.push_back(entry.path());
                }
            }
        } else if (fs::is_regular_file(arg, ec)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "replay: %s is neither a file nor a folder\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        const std::string bytes = orvex::fuzz::ReadScratchFile(path);
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", orvex::PathText(path).c_str(), bytes.size());
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replay: %zu inputs ran without a finding\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
