#include "service/soap_response_reader.h"

#include "service/element_hash.h"
#include "service/utf.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <expat.h>
#include <new>
#include <vector>

namespace textowl {
namespace {

// Namespace URIs cannot contain a space, so it separates URI, local name and prefix safely.
constexpr char kNameSeparator = ' ';

struct XmlName {
    std::string_view uri;
    std::string_view local;
    std::string_view prefix;

    void appendQualified(std::string& out) const {
        if (!prefix.empty()) {
            out.append(prefix);
            out.push_back(':');
        }
        out.append(local);
    }
};

XmlName splitName(std::string_view raw) {
    const std::size_t first = raw.find(kNameSeparator);
    if (first == std::string_view::npos) {
        return {{}, raw, {}};
    }
    const std::string_view rest = raw.substr(first + 1);
    const std::size_t second = rest.find(kNameSeparator);
    if (second == std::string_view::npos) {
        return {raw.substr(0, first), rest, {}};
    }
    return {raw.substr(0, first), rest.substr(0, second), rest.substr(second + 1)};
}

// Attributes as expat reports them: name/value pairs closed by a null name.
class Attributes {
public:
    explicit Attributes(const char** atts) : m_atts(atts) {}

    const char* find(std::string_view uri, std::string_view local) const {
        for (const char** a = m_atts; *a; a += 2) {
            const XmlName name = splitName(*a);
            if (name.uri == uri && name.local == local) {
                return a[1];
            }
        }
        return nullptr;
    }
    const char* findQualified(std::string_view qname) const {
        std::string buffer;
        for (const char** a = m_atts; *a; a += 2) {
            buffer.clear();
            splitName(*a).appendQualified(buffer);
            if (buffer == qname) {
                return a[1];
            }
        }
        return nullptr;
    }
    const char** raw() const { return m_atts; }

private:
    const char** m_atts;
};

enum class Boolean { False, True, Invalid };

Boolean parseBoolean(std::string_view v) {
    if (v == "1" || v == "true") {
        return Boolean::True;
    }
    if (v == "0" || v == "false") {
        return Boolean::False;
    }
    return Boolean::Invalid;
}

bool sameName(std::string_view name, std::uint32_t hash, std::u16string_view expected) {
    if (elementHashUtf8(name) != hash || name.size() != expected.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (static_cast<unsigned char>(name[i]) != expected[i]) {
            return false;
        }
    }
    return true;
}

constexpr std::uint32_t kEnvelopeHash = elementHash(u"Envelope");
constexpr std::uint32_t kHeaderHash = elementHash(u"Header");
constexpr std::uint32_t kBodyHash = elementHash(u"Body");

class ContentHandler {
public:
    virtual ~ContentHandler() = default;
    virtual Status startElement(const XmlName& name, const Attributes& atts) = 0;
    virtual Status endElement(const XmlName& name) = 0;
    virtual Status characters(std::string_view text) = 0;
    virtual void startPrefixMapping(std::string_view, std::string_view) {}
};

class HandlerSwitch {
public:
    virtual ~HandlerSwitch() = default;
    virtual void install(ContentHandler* handler) = 0;
};

// The largest string value accepted, in UTF-8 bytes. A 10,000-buddy list is under 2 MiB; the
// bound keeps a hostile reply from costing the body's size again as text and twice that as UTF-16.
constexpr std::size_t kMaxValueBytes = 8u << 20;

// Reads one string value whole: its text plus any markup inside it, re-serialised.
class StringCollector : public ContentHandler {
public:
    explicit StringCollector(HandlerSwitch& reader) : m_reader(reader) {}

    void begin(ContentHandler* back) {
        m_buffer.clear();
        m_depth = 0;
        m_back = back;
        m_reader.install(this);
    }
    void reset() {
        m_buffer.clear();
        m_depth = 0;
        m_back = nullptr;
    }

    Status startElement(const XmlName& name, const Attributes& atts) override {
        m_buffer.push_back('<');
        name.appendQualified(m_buffer);
        for (const char** a = atts.raw(); *a; a += 2) {
            m_buffer.push_back(' ');
            splitName(*a).appendQualified(m_buffer);
            m_buffer.append("=\"");
            m_buffer.append(a[1]);
            m_buffer.push_back('"');
        }
        m_buffer.push_back('>');
        ++m_depth;
        return m_buffer.size() > kMaxValueBytes ? E_OUTOFMEMORY : S_OK;
    }
    Status endElement(const XmlName& name) override {
        if (m_depth > 0) {
            m_buffer.append("</");
            name.appendQualified(m_buffer);
            m_buffer.push_back('>');
            --m_depth;
            return S_OK;
        }
        ContentHandler* back = m_back;
        m_reader.install(back);
        const Status st = back->characters(m_buffer);
        return failed(st) ? st : back->endElement(name);
    }
    Status characters(std::string_view text) override {
        if (text.size() > kMaxValueBytes - std::min(m_buffer.size(), kMaxValueBytes)) {
            return E_OUTOFMEMORY;
        }
        m_buffer.append(text);
        return S_OK;
    }

private:
    HandlerSwitch& m_reader;
    ContentHandler* m_back = nullptr;
    std::string m_buffer;
    int m_depth = 0;
};

// Swallows one element with its subtree; its start tag has already been seen.
class SkipHandler : public ContentHandler {
public:
    explicit SkipHandler(HandlerSwitch& reader) : m_reader(reader) {}

    void begin(ContentHandler* back) {
        m_depth = 0;
        m_back = back;
        m_reader.install(this);
    }
    Status startElement(const XmlName&, const Attributes&) override {
        ++m_depth;
        return S_OK;
    }
    Status endElement(const XmlName&) override {
        if (m_depth-- == 0) {
            m_reader.install(m_back);
        }
        return S_OK;
    }
    Status characters(std::string_view) override { return S_OK; }

private:
    HandlerSwitch& m_reader;
    ContentHandler* m_back = nullptr;
    int m_depth = 0;
};

// Which entries of a map were received: one bit per entry, 64 per word, grown as needed.
class ReceivedSet {
public:
    void clear() {
        m_first = 0;
        m_more.clear();
    }
    bool testAndSet(std::size_t bit) {
        std::uint64_t& word = bit < 64 ? m_first : wordFor(bit);
        const std::uint64_t mask = std::uint64_t{1} << (bit % 64);
        const bool was = (word & mask) != 0;
        word |= mask;
        return was;
    }
    bool test(std::size_t bit) const {
        if (bit < 64) {
            return (m_first >> bit) & 1u;
        }
        const std::size_t index = bit / 64 - 1;
        return index < m_more.size() && ((m_more[index] >> (bit % 64)) & 1u);
    }

private:
    std::uint64_t& wordFor(std::size_t bit) {
        const std::size_t index = bit / 64 - 1;
        if (index >= m_more.size()) {
            m_more.resize(index + 1);
        }
        return m_more[index];
    }
    std::uint64_t m_first = 0;
    std::vector<std::uint64_t> m_more;
};

enum class LevelKind { Header, Operation, Value, Nil };

struct ParseState {
    LevelKind kind = LevelKind::Header;
    const OperationMap* map = nullptr;
    const ParameterEntry* entry = nullptr;
    bool valueExpected = false;
    int expected = 0;
    int received = 0;
    ReceivedSet receivedSet;
};

enum class HandlerState { Start, Envelope, Header, Body, Response, HeaderDone };

// Checks the SOAP structure and stores the text of "return" into the record.
class ResponseHandler : public ContentHandler {
public:
    ResponseHandler(StringCollector& collector, SkipHandler& skip)
        : m_collector(collector), m_skip(skip) {}

    Status begin(const OperationMap& op, const OperationMap& header, ParameterRecord& record) {
        m_op = &op;
        m_record = &record;
        m_stack.clear();
        return push(LevelKind::Header, &header, nullptr, header.resultCount);
    }
    void end() {
        m_stack.clear();
        m_record = nullptr;
        m_op = nullptr;
        m_state = HandlerState::Start;
    }
    bool bound() const { return m_record != nullptr && !m_stack.empty(); }
    // A clean handler for the next document; the header level pushed by begin() stays.
    void restart() {
        m_state = HandlerState::Start;
        m_leafOpen = false;
        m_valuePending = false;
        if (m_stack.size() > 1) {
            m_stack.resize(1);
        }
    }

    Status startElement(const XmlName& name, const Attributes& atts) override {
        if (m_leafOpen || m_valuePending) {
            return E_FAIL;
        }
        switch (m_state) {
        case HandlerState::Start:
        case HandlerState::Envelope:
        case HandlerState::HeaderDone:
            return structureElement(name);
        case HandlerState::Header:
            return headerEntry(atts);
        case HandlerState::Body:
            m_state = HandlerState::Response;
            return enterResponse();
        case HandlerState::Response:
            return childElement(name, atts);
        }
        return E_FAIL;
    }

    Status endElement(const XmlName& name) override {
        if (m_state == HandlerState::Header) {
            if (m_stack.size() == 1 && name.uri == kEnvelopeNamespace &&
                sameName(name.local, kHeaderHash, u"Header")) {
                m_state = HandlerState::HeaderDone;
                return S_OK;
            }
            return E_FAIL;
        }
        if (m_stack.empty()) {
            return S_OK;
        }
        if (m_valuePending) {
            return E_FAIL;
        }
        m_leafOpen = false;
        const Status st = checkLevel(m_stack.back());
        if (failed(st)) {
            return st;
        }
        if (m_stack.back().kind == LevelKind::Value || m_stack.back().kind == LevelKind::Nil) {
            m_stack.pop_back();
        }
        return S_OK;
    }

    Status characters(std::string_view text) override {
        if (m_stack.empty() || m_stack.back().kind != LevelKind::Value ||
            !m_stack.back().valueExpected) {
            return S_OK;
        }
        try {
            ServiceText& slot = m_record->result;
            slot.emplace();
            appendUtf8ToUtf16(text, *slot);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        m_stack.back().valueExpected = false;
        return S_OK;
    }

private:
    Status push(LevelKind kind, const OperationMap* map, const ParameterEntry* entry,
                int expected) {
        try {
            if (m_stack.size() == m_stack.capacity()) {
                m_stack.reserve(m_stack.capacity() + 16);
            }
            ParseState& s = m_stack.emplace_back();
            s.kind = kind;
            s.map = map;
            s.entry = entry;
            s.valueExpected = kind == LevelKind::Value;
            s.expected = expected;
            s.received = 0;
            s.receivedSet.clear();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    Status structureElement(const XmlName& name) {
        if (name.uri != kEnvelopeNamespace) {
            return E_FAIL;
        }
        if (sameName(name.local, kEnvelopeHash, u"Envelope")) {
            return m_state == HandlerState::Start ? (m_state = HandlerState::Envelope, S_OK)
                                                  : E_FAIL;
        }
        if (sameName(name.local, kHeaderHash, u"Header")) {
            return m_state == HandlerState::Envelope ? (m_state = HandlerState::Header, S_OK)
                                                     : E_FAIL;
        }
        if (sameName(name.local, kBodyHash, u"Body")) {
            return m_state == HandlerState::Start ? E_FAIL : (m_state = HandlerState::Body, S_OK);
        }
        return S_OK;
    }

    Status headerEntry(const Attributes& atts) {
        if (const char* mu = atts.find(kEnvelopeNamespace, "mustUnderstand")) {
            if (parseBoolean(mu) != Boolean::False) {
                return E_FAIL;
            }
        }
        m_skip.begin(this);
        return S_OK;
    }

    Status enterResponse() {
        const Status st = checkLevel(m_stack.front());
        if (failed(st)) {
            return st;
        }
        m_record->result.reset();
        m_stack.clear();
        return push(LevelKind::Operation, m_op, nullptr, m_op->resultCount);
    }

    const ParameterEntry* findReceived(const OperationMap& map, std::string_view local,
                                       std::size_t& index) const {
        const std::uint32_t hash = elementHashUtf8(local);
        const auto entries = map.parameters();
        for (index = 0; index < entries.size(); ++index) {
            const ParameterEntry& e = entries[index];
            if (e.isOut() && e.hash == hash && sameName(local, hash, e.wideName)) {
                return &e;
            }
        }
        return nullptr;
    }

    Status childElement(const XmlName& name, const Attributes& atts) {
        ParseState& level = m_stack.back();
        std::size_t index = 0;
        const ParameterEntry* entry =
            level.map ? findReceived(*level.map, name.local, index) : nullptr;
        if (!entry || level.receivedSet.testAndSet(index)) {
            return E_FAIL;
        }
        ++level.received;
        if (const char* nil = atts.find(kSchemaInstanceNamespace, "nil");
            nil && parseBoolean(nil) == Boolean::True) {
            if (!entry->isNullable()) {
                return E_FAIL;
            }
            m_leafOpen = true;
            return push(LevelKind::Nil, nullptr, entry, 0);
        }
        if (atts.findQualified("href")) {
            return E_FAIL; // a string is never sent by reference in this contract
        }
        m_leafOpen = true;
        const Status st = push(LevelKind::Value, nullptr, entry, 0);
        if (succeeded(st)) {
            m_collector.begin(this);
        }
        return st;
    }

    // Entries not received are acceptable only when they may be null.
    Status checkLevel(const ParseState& level) const {
        if (level.received >= level.expected || !level.map) {
            return S_OK;
        }
        const auto entries = level.map->parameters();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].isOut() && !level.receivedSet.test(i) && !entries[i].isNullable()) {
                return E_FAIL;
            }
        }
        return S_OK;
    }

    StringCollector& m_collector;
    SkipHandler& m_skip;
    const OperationMap* m_op = nullptr;
    ParameterRecord* m_record = nullptr;
    std::vector<ParseState> m_stack;
    HandlerState m_state = HandlerState::Start;
    bool m_leafOpen = false;
    bool m_valuePending = false; // no simple value other than strings exists in this contract
};

struct FaultName {
    std::string_view name;
    int level;
    bool structural; // must be in the envelope namespace
};

constexpr std::array<FaultName, 8> kFaultNames{{
    {"Envelope", 1, true},
    {"Body", 2, true},
    {"Header", 2, true},
    {"Fault", 4, true},
    {"faultcode", 8, false},
    {"faultstring", 16, false},
    {"faultactor", 32, false},
    {"detail", 64, false},
}};

struct FaultCodeName {
    std::string_view local;
    int code;
};

constexpr std::array<FaultCodeName, 4> kFaultCodes{{
    {"VersionMismatch", 100},
    {"MustUnderstand", 200},
    {"Client", 300},
    {"Server", 400},
}};

// Reads a SOAP Fault into the fault record, by the level rules of the fault elements.
class FaultHandler : public ContentHandler {
public:
    FaultHandler(StringCollector& collector, SkipHandler& skip)
        : m_collector(collector), m_skip(skip) {}

    void begin(FaultRecord& record) {
        m_record = &record;
        record.clear();
        m_level = 0;
        m_envelopePrefix.reset();
        m_codeKnown = false;
        m_collecting = false;
    }

    void startPrefixMapping(std::string_view prefix, std::string_view uri) override {
        if (uri == kEnvelopeNamespace) {
            m_envelopePrefix = std::string(prefix);
        }
    }

    Status startElement(const XmlName& name, const Attributes&) override {
        m_collecting = false;
        for (const FaultName& known : kFaultNames) {
            if (known.name != name.local) {
                continue;
            }
            if (known.structural) {
                if (name.uri != kEnvelopeNamespace || known.level <= m_level) {
                    return E_FAIL;
                }
                m_level = known.level;
                return S_OK;
            }
            m_level = known.level;
            m_collecting = true;
            m_collector.begin(this);
            return S_OK;
        }
        if (m_level <= 4) {
            return E_FAIL;
        }
        m_skip.begin(this);
        return S_OK;
    }

    Status endElement(const XmlName&) override { return S_OK; }

    Status characters(std::string_view text) override {
        if (!m_collecting) {
            return S_OK; // only a fault field's own text counts, once
        }
        m_collecting = false;
        switch (m_level) {
        case 8:
            return faultCode(text);
        case 16:
            return store(m_record->string, text);
        case 32:
            return store(m_record->actor, text);
        case 64:
            return store(m_record->detail, text);
        default:
            return S_OK;
        }
    }

private:
    Status faultCode(std::string_view text) {
        const std::size_t colon = text.find(':');
        if (m_codeKnown || colon == std::string_view::npos || !m_envelopePrefix ||
            text.substr(0, colon) != *m_envelopePrefix) {
            return E_FAIL;
        }
        const std::string_view local = text.substr(colon + 1);
        for (const FaultCodeName& known : kFaultCodes) {
            if (known.local == local) {
                m_record->code = known.code;
                m_codeKnown = true;
            }
        }
        if (m_record->string.empty()) {
            m_record->codeText = std::string(local);
        }
        return S_OK;
    }

    static Status store(std::string& field, std::string_view text) {
        if (!field.empty()) {
            return E_FAIL;
        }
        field.assign(text);
        return S_OK;
    }

    StringCollector& m_collector;
    SkipHandler& m_skip;
    FaultRecord* m_record = nullptr;
    int m_level = 0;
    std::optional<std::string> m_envelopePrefix;
    bool m_codeKnown = false;
    bool m_collecting = false;
};

} // namespace

struct SoapResponseReader::Impl : HandlerSwitch {
    XML_Parser parser = nullptr;
    ContentHandler* current = nullptr;
    Status failure = S_OK;
    int depth = 0;
    StringCollector collector{*this};
    SkipHandler skip{*this};
    ResponseHandler response{collector, skip};
    FaultHandler fault{collector, skip};

    ~Impl() override {
        if (parser) {
            XML_ParserFree(parser);
        }
    }

    void install(ContentHandler* handler) override { current = handler; }

    void fail(Status st) {
        if (succeeded(failure)) {
            failure = st;
        }
        XML_StopParser(parser, XML_FALSE);
    }

    static Impl& self(void* userData) { return *static_cast<Impl*>(userData); }

    static void onStart(void* userData, const XML_Char* name, const XML_Char** atts) {
        Impl& r = self(userData);
        if (failed(r.failure)) {
            return;
        }
        if (++r.depth > kMaxDepth) {
            r.fail(E_FAIL);
            return;
        }
        const Status st = r.current->startElement(splitName(name), Attributes(atts));
        if (failed(st)) {
            r.fail(st);
        }
    }
    static void onEnd(void* userData, const XML_Char* name) {
        Impl& r = self(userData);
        if (failed(r.failure)) {
            return;
        }
        --r.depth;
        const Status st = r.current->endElement(splitName(name));
        if (failed(st)) {
            r.fail(st);
        }
    }
    static void onText(void* userData, const XML_Char* text, int len) {
        Impl& r = self(userData);
        if (failed(r.failure)) {
            return;
        }
        const Status st = r.current->characters({text, static_cast<std::size_t>(len)});
        if (failed(st)) {
            r.fail(st);
        }
    }
    static void onPrefix(void* userData, const XML_Char* prefix, const XML_Char* uri) {
        Impl& r = self(userData);
        if (succeeded(r.failure) && r.current) {
            r.current->startPrefixMapping(prefix ? prefix : "", uri ? uri : "");
        }
    }
    // A reply never needs a DTD; refusing it rules out entity expansion of any kind.
    static void onDoctype(void* userData, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        self(userData).fail(E_FAIL);
    }

    Status run(std::string_view body, ContentHandler* handler) {
        if (!parser) {
            return E_FAIL;
        }
        XML_ParserReset(parser, nullptr);
        XML_SetReturnNSTriplet(parser, XML_TRUE);
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, onStart, onEnd);
        XML_SetCharacterDataHandler(parser, onText);
        XML_SetStartNamespaceDeclHandler(parser, onPrefix);
        XML_SetStartDoctypeDeclHandler(parser, onDoctype);
        failure = S_OK;
        depth = 0;
        collector.reset();
        current = handler;
        const XML_Status parsed = feed(body);
        current = nullptr;
        collector.reset();
        if (failed(failure)) {
            return failure;
        }
        if (parsed != XML_STATUS_OK) {
            return XML_GetErrorCode(parser) == XML_ERROR_NO_MEMORY ? E_OUTOFMEMORY : E_FAIL;
        }
        return S_OK;
    }

    // expat copies whatever one call hands it into its own buffer, so the body goes in slices:
    // a large reply is never held twice.
    XML_Status feed(std::string_view body) {
        constexpr std::size_t kSlice = 256u << 10;
        do {
            const std::size_t n = std::min(kSlice, body.size());
            const bool last = n == body.size();
            if (XML_Parse(parser, body.data(), static_cast<int>(n), last ? XML_TRUE : XML_FALSE) !=
                XML_STATUS_OK) {
                return XML_STATUS_ERROR;
            }
            body.remove_prefix(n);
        } while (!body.empty());
        return XML_STATUS_OK;
    }
};

SoapResponseReader::SoapResponseReader() : m_impl(std::make_unique<Impl>()) {}
SoapResponseReader::~SoapResponseReader() = default;

Status SoapResponseReader::prepare() {
    if (!m_impl->parser) {
        m_impl->parser = XML_ParserCreateNS(nullptr, kNameSeparator);
        if (!m_impl->parser) {
            return E_OUTOFMEMORY;
        }
    }
    return S_OK;
}

Status SoapResponseReader::begin(const OperationMap& op, const OperationMap& header,
                                 ParameterRecord& record) {
    return m_impl->response.begin(op, header, record);
}

Status SoapResponseReader::parseReply(std::string_view body) {
    if (!m_impl->response.bound()) {
        return E_FAIL;
    }
    m_impl->response.restart();
    return m_impl->run(body, &m_impl->response);
}

void SoapResponseReader::end() {
    m_impl->response.end();
}

Status SoapResponseReader::parseFault(std::string_view body, FaultRecord& fault) {
    m_impl->fault.begin(fault);
    return m_impl->run(body, &m_impl->fault);
}

} // namespace textowl
