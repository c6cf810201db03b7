#include "server/cli/command_line.h"

#include <cstring>
#include <iostream>

namespace {

// The gateway address carries Kannel's password. Once it has been copied, blank that part of the
// process's own arguments, which any local user can read (ps, /proc/PID/cmdline).
void hideGatewayCredentials(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--gateway") != 0) {
            continue;
        }
        char* url = argv[i + 1];
        char* scheme = std::strstr(url, "://");
        char* at = std::strrchr(url, '@');
        for (char* p = scheme ? scheme + 3 : url; at && p < at; ++p) {
            *p = '*';
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    hideGatewayCredentials(argc, argv);
    return textowl::server::runCommandLine(args, std::cout, std::cerr);
}
