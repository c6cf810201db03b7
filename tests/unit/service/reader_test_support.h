#pragma once

#include "service/soap_response_reader.h"

#include <string>
#include <string_view>

namespace textowl::test {

inline constexpr std::string_view kEnvOpen =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\">";

// An envelope whose Body holds body.
inline std::string inBody(std::string_view body) {
    return std::string(kEnvOpen) + "<soap:Body>" + std::string(body) +
           "</soap:Body></soap:Envelope>";
}

// A response element around children.
inline std::string response(std::string_view children) {
    return inBody("<ns1:apiValidateLoginResponse xmlns:ns1=\"urn:Pagewright\">" +
                  std::string(children) + "</ns1:apiValidateLoginResponse>");
}

struct Parsed {
    Status status = S_OK;
    ServiceText result;
};

// Runs one reply through a reader the way the proxy does.
inline Parsed parseWith(SoapResponseReader& reader, std::string_view body,
                        OperationId id = OperationId::apiValidateLogin) {
    Parsed out;
    out.status = reader.prepare();
    if (failed(out.status)) {
        return out;
    }
    ParameterRecord record;
    out.status = reader.begin(operationMap(id), headerMap(id), record);
    if (succeeded(out.status)) {
        out.status = reader.parseReply(body);
    }
    reader.end();
    if (succeeded(out.status)) {
        out.result = std::move(record.result);
    }
    return out;
}

inline Parsed parse(std::string_view body, OperationId id = OperationId::apiValidateLogin) {
    SoapResponseReader reader;
    return parseWith(reader, body, id);
}

} // namespace textowl::test
