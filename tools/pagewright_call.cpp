// pagewright-call OPERATION [ARG ...]: runs one service operation and prints its "return" text.
#include "service/operation_map.h"
#include "service/service_proxy.h"
#include "service/utf.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace textowl;

constexpr std::string_view kNilArgument = "--nil";

void printUsage() {
    std::fputs("usage: pagewright-call OPERATION [ARG ...] (ARG --nil sends null); OPERATION/ARGS:",
               stderr);
    for (int i = 0; i < kOperationCount; ++i) {
        if (!isInvoked(static_cast<OperationId>(i)))
            continue;
        const OperationMap& op = operationMap(static_cast<OperationId>(i));
        std::fprintf(stderr, " %.*s/%zu", static_cast<int>(op.name.size()), op.name.data(),
                     op.inCount());
    }
    std::fputc('\n', stderr);
}

// The fault line must stay one line, whatever the service put into its fault string.
std::string oneLine(std::string text) {
    for (char& c : text) {
        c = (c == '\n' || c == '\r') ? ' ' : c;
    }
    return text;
}

void printStatus(Status status, int clientErrorState) {
    std::fprintf(stderr, "status 0x%08X, client error state %d\n", static_cast<unsigned>(status),
                 clientErrorState);
}

void printOutcome(Status status, const ServiceProxy& proxy) {
    if (proxy.clientErrorState() == 7) {
        std::fprintf(stderr, "fault %d: %s\n", proxy.fault().code,
                     oneLine(proxy.fault().string).c_str());
    }
    printStatus(status, proxy.clientErrorState());
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<OperationId> id =
        argc >= 2 ? findOperation(argv[1]) : std::optional<OperationId>{};
    if (!id || !isInvoked(*id) ||
        static_cast<std::size_t>(argc - 2) != operationMap(*id).inCount()) {
        printUsage();
        printStatus(E_INVALIDARG, 0);
        return 2;
    }
    std::vector<ServiceText> in;
    for (int i = 2; i < argc; ++i) {
        if (argv[i] == kNilArgument) {
            in.emplace_back();
        } else {
            in.emplace_back(utf8ToUtf16(argv[i]));
        }
    }
    ServiceProxy proxy;
    ServiceText result;
    const Status status = proxy.call(*id, in, &result);
    if (succeeded(status) && result) {
        const std::string text = utf16ToUtf8(*result);
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    printOutcome(status, proxy);
    return succeeded(status) ? 0 : 1;
}
