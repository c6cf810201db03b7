#pragma once

#include "service/operation_map.h"
#include "service/status.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace textowl {

// What a SOAP fault said; texts are UTF-8 and empty when the fault did not carry them.
struct FaultRecord {
    int code = 0; // 0 none, 100 VersionMismatch, 200 MustUnderstand, 300 Client, 400 Server
    std::string codeText;
    std::string string;
    std::string actor;
    std::string detail;

    void clear() { *this = FaultRecord{}; }
};

// One call's values: the caller's in-parameters (borrowed) and the received result.
struct ParameterRecord {
    std::span<const ServiceText* const> in;
    ServiceText result;
};

// Streams a reply through expat with swappable content handlers; never builds a tree.
// Replies with a document type declaration are refused, and nesting is bounded.
class SoapResponseReader {
public:
    SoapResponseReader();
    ~SoapResponseReader();
    SoapResponseReader(const SoapResponseReader&) = delete;
    SoapResponseReader& operator=(const SoapResponseReader&) = delete;

    // Creates the XML parser on first use and keeps it for later calls.
    Status prepare();

    // Binds one call: the header level becomes the first parse state.
    Status begin(const OperationMap& op, const OperationMap& header, ParameterRecord& record);
    // Reads a reply into the bound record's result slot.
    Status parseReply(std::string_view body);
    // Forgets the bound call; safe on every path.
    void end();

    // Reads the body of an HTTP 500 reply.
    Status parseFault(std::string_view body, FaultRecord& fault);

    static constexpr int kMaxDepth = 4096;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace textowl
