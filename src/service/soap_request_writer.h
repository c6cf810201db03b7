#pragma once

#include "service/operation_map.h"
#include "service/status.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace textowl {

enum class EscapeMode { Text, Attribute };

// Escaped form is pure printable ASCII: markup characters and everything outside 0x20..0x7E
// become character references. Returns the length; writes only when out is not null
// (out must then hold that many bytes).
std::size_t escapeText(std::u16string_view text, EscapeMode mode, char* out = nullptr);

// Writes the SOAP 1.1 rpc/encoded envelope for one call; inParams points at the caller's
// in-parameters in map order (a null pointer is sent like a null text). Appends to request.
Status writeRequest(const OperationMap& op, const OperationMap& header,
                    std::span<const ServiceText* const> inParams, std::string& request);

} // namespace textowl
