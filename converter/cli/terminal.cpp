// SPDX-License-Identifier: MIT
// The terminal side of orvex-cli.
#include "converter/cli/terminal.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace orvex::cli {

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

void Line(std::FILE* err, const std::string& programText) {
    std::fprintf(err, "orvex-cli: %s\n", programText.c_str());
}

} // namespace orvex::cli
