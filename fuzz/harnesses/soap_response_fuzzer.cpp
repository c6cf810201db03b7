// Parses a reply body with the SOAP response reader bound to one of the operation maps (chosen by
// the first byte), keeping one reader across inputs as the proxy does. Reading the same reply
// twice must give the same outcome, and after every reply, good or bad, a well-formed reply must
// still read correctly: nothing of one call may leak into the next.
#include "service/operation_map.h"
#include "service/soap_response_reader.h"
#include "service/status.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kGoodReply =
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\">"
    "<SOAP-ENV:Body><ns1:apiBalanceSmsResponse xmlns:ns1=\"urn:Pagewright\">"
    "<return>abc</return></ns1:apiBalanceSmsResponse></SOAP-ENV:Body></SOAP-ENV:Envelope>";

textowl::SoapResponseReader& reader() {
    static textowl::SoapResponseReader instance;
    return instance;
}

textowl::Status parseAs(textowl::OperationId id, std::string_view body,
                        textowl::ParameterRecord& record) {
    textowl::SoapResponseReader& r = reader();
    textowl::Status st = r.prepare();
    if (textowl::succeeded(st)) {
        st = r.begin(textowl::operationMap(id), textowl::headerMap(id), record);
    }
    if (textowl::succeeded(st)) {
        st = r.parseReply(body);
    }
    r.end();
    return st;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const auto id = static_cast<textowl::OperationId>(data[0] % textowl::kOperationCount);
    const std::string_view body(reinterpret_cast<const char*>(data + 1), size - 1);

    textowl::ParameterRecord first{{}, std::nullopt};
    const textowl::Status firstStatus = parseAs(id, body, first);
    textowl::ParameterRecord second{{}, std::nullopt};
    const textowl::Status secondStatus = parseAs(id, body, second);
    if (firstStatus != secondStatus ||
        (textowl::succeeded(firstStatus) && first.result != second.result)) {
        __builtin_trap();
    }

    textowl::ParameterRecord check{{}, std::nullopt};
    if (textowl::failed(parseAs(textowl::OperationId::apiBalanceSms, kGoodReply, check)) ||
        !check.result || *check.result != u"abc") {
        __builtin_trap();
    }
    return 0;
}
