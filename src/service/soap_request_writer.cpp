#include "service/soap_request_writer.h"

#include "base/xml_escape.h"

#include <array>
#include <new>
#include <stdexcept>

namespace textowl {
namespace {

constexpr std::string_view kEnvelopeOpen =
    "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soapenc=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr std::string_view kBodyOpen =
    "<soap:Body soap:encodingStyle=\"http://schemas.xmlsoap.org/soap/encoding/\">";
constexpr std::string_view kBodyEnvelopeClose = "</soap:Body></soap:Envelope>";
constexpr std::string_view kNil = " xsi:nil=\"1\"/>";
constexpr std::string_view kMustUnderstand = " soap:mustUnderstand=\"1\"";

constexpr bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
constexpr bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Output that is either measured or written: one walk serves both passes.
struct Sink {
    char* out;
    std::size_t length = 0;

    void put(std::string_view s) {
        if (out) {
            s.copy(out + length, s.size());
        }
        length += s.size();
    }
    void put(char c) {
        if (out) {
            out[length] = c;
        }
        ++length;
    }
    void hex(std::uint32_t value, int digits) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        put("&#x");
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
            put(kDigits[(value >> shift) & 0xF]);
        }
        put(';');
    }
};

void escapeUnit(char16_t c, EscapeMode mode, Sink& sink) {
    if (const std::string_view entity = xmlEntity(c, mode == EscapeMode::Attribute);
        !entity.empty()) {
        sink.put(entity);
    } else if (c >= 0x20 && c <= 0x7E) {
        sink.put(static_cast<char>(c));
    } else {
        sink.hex(c, 4);
    }
}

// Open tag of one parameter element, up to and excluding the closing ">" or nil marker.
void putOpenTag(const ParameterEntry& e, Sink& sink) {
    sink.put('<');
    if (!e.ns.empty()) {
        sink.put("snp:");
    }
    sink.put(e.name);
    if (!e.ns.empty()) {
        sink.put(" xmlns:snp=\"");
        sink.put(e.ns);
        sink.put('"');
    }
    if ((e.flags & paramflag::MustUnderstand) != 0) {
        sink.put(kMustUnderstand);
    }
}

void putCloseTag(const ParameterEntry& e, Sink& sink) {
    sink.put("</");
    if (!e.ns.empty()) {
        sink.put("snp:");
    }
    sink.put(e.name);
    sink.put('>');
}

void putEntries(const OperationMap& map, std::span<const ServiceText* const> values, Sink& sink) {
    for (const ParameterEntry& e : map.parameters()) {
        if (!e.isIn()) {
            continue; // the result entry is only ever received
        }
        const ServiceText* value = e.slot < values.size() ? values[e.slot] : nullptr;
        putOpenTag(e, sink);
        if (!value || !*value) {
            sink.put(kNil);
            continue;
        }
        sink.put('>');
        char* at = sink.out ? sink.out + sink.length : nullptr;
        sink.length += escapeText(**value, EscapeMode::Text, at);
        putCloseTag(e, sink);
    }
}

bool hasInHeaders(const OperationMap& header) {
    for (const ParameterEntry& e : header.parameters()) {
        if (e.isIn()) {
            return true;
        }
    }
    return false;
}

void putEnvelope(const OperationMap& op, const OperationMap& header,
                 std::span<const ServiceText* const> values, Sink& sink) {
    sink.put(kEnvelopeOpen);
    if (hasInHeaders(header)) {
        sink.put("<soap:Header>");
        putEntries(header, values, sink);
        sink.put("</soap:Header>");
    }
    sink.put(kBodyOpen);
    sink.put("<snp:");
    sink.put(op.name);
    sink.put(" xmlns:snp=\"");
    sink.put(op.ns);
    sink.put("\">");
    putEntries(op, values, sink);
    sink.put("</snp:");
    sink.put(op.name);
    sink.put('>');
    sink.put(kBodyEnvelopeClose);
}

} // namespace

std::size_t escapeText(std::u16string_view text, EscapeMode mode, char* out) {
    Sink sink{out};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            const std::uint32_t cp = 0x10000 + ((c - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
            sink.hex(cp, 6);
            ++i;
        } else {
            escapeUnit(c, mode, sink);
        }
    }
    return sink.length;
}

Status writeRequest(const OperationMap& op, const OperationMap& header,
                    std::span<const ServiceText* const> inParams, std::string& request) {
    // Measure first, so the envelope is written with exactly one allocation.
    Sink measure{nullptr};
    putEnvelope(op, header, inParams, measure);
    const std::size_t start = request.size();
    try {
        request.resize(start + measure.length);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::length_error&) {
        return E_OUTOFMEMORY;
    }
    Sink write{request.data() + start};
    putEnvelope(op, header, inParams, write);
    return S_OK;
}

} // namespace textowl
