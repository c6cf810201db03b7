#include "server/command_line.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return textowl::server::runCommandLine(args, std::cout, std::cerr);
}
