// Reads an HTTP 500 body with the fault reader, on the reader the proxy keeps between calls, and
// then checks that the next call's reply still parses: the fault reader leaves no handler behind.
#include "service/operation_map.h"
#include "service/soap_response_reader.h"
#include "service/status.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kGoodReply =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<SOAP-ENV:Body><ns1:apiLogoutResponse xmlns:ns1=\"urn:Pagewright\">"
    "<return>abc</return></ns1:apiLogoutResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

constexpr int kKnownCodes[] = {0, 100, 200, 300, 400};

bool knownCode(int code) {
    for (int known : kKnownCodes) {
        if (code == known) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static textowl::SoapResponseReader reader;
    if (textowl::failed(reader.prepare())) {
        __builtin_trap();
    }
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    textowl::FaultRecord fault;
    fault.code = -1;
    fault.string = "left over from an earlier call";
    const textowl::Status st = reader.parseFault(body, fault);
    if (textowl::succeeded(st) && !knownCode(fault.code)) {
        __builtin_trap();
    }

    const auto id = textowl::OperationId::apiLogout;
    textowl::ParameterRecord record{{}, std::nullopt};
    textowl::Status next = reader.begin(textowl::operationMap(id), textowl::headerMap(id), record);
    if (textowl::succeeded(next)) {
        next = reader.parseReply(kGoodReply);
    }
    reader.end();
    if (textowl::failed(next) || !record.result || *record.result != u"abc") {
        __builtin_trap();
    }
    return 0;
}
