#include "service/service_proxy.h"

#include "service/soap_request_writer.h"
#include "service/url.h"

#include <array>
#include <cstdlib>
#include <new>

namespace textowl {
namespace {

constexpr std::string_view kDefaultEndpoint = "http://localhost/pagewright/soapserver.php";
constexpr std::string_view kAcceptLine = "Accept: text/xml\r\n";

enum ClientError : int {
    kNoError = 0,
    kReaderSetup = 1,
    kRecordMemory = 2,
    kWriteFailed = 3,
    kNotSent = 5,
    kUnexpectedStatus = 6,
    kSoapFault = 7,
    kFaultUnparsable = 8,
    kEmptyBody = 9,
    kReplyUnparsable = 10,
};

} // namespace

std::string serviceEndpoint() {
    const char* env = std::getenv("TEXTOWL_SERVICE_URL");
    return env && *env ? std::string(env) : std::string(kDefaultEndpoint);
}

ServiceProxy::ServiceProxy(const std::string& endpoint) : m_url(Url::parse(endpoint)) {
    m_settings.method = "POST";
    m_settings.contentType = "text/xml; charset=utf-8";
}

ServiceProxy::~ServiceProxy() = default;

CertificateProblem ServiceProxy::certificateProblem() const {
    return m_http.certificateProblem();
}

Status ServiceProxy::call(OperationId id, std::span<const ServiceText> inParams,
                          ServiceText* result) {
    std::array<const ServiceText*, 16> pointers{};
    if (inParams.size() > pointers.size()) {
        return E_INVALIDARG;
    }
    for (std::size_t i = 0; i < inParams.size(); ++i) {
        pointers[i] = &inParams[i];
    }
    return invoke(id, std::span(pointers.data(), inParams.size()), result);
}

Status ServiceProxy::invoke(OperationId id, std::span<const ServiceText* const> in,
                            ServiceText* result) {
    if (!result) {
        return E_POINTER;
    }
    if (!isInvoked(id) || in.size() != operationMap(id).inCount()) {
        return E_INVALIDARG;
    }
    if (const Status st = m_reader.prepare(); failed(st)) {
        m_errorState = kReaderSetup;
        return st;
    }
    Status st = E_OUTOFMEMORY;
    try {
        st = run(id, in, result);
    } catch (const std::bad_alloc&) {
        st = E_OUTOFMEMORY;
    }
    m_reader.end();
    return st;
}

Status ServiceProxy::run(OperationId id, std::span<const ServiceText* const> in,
                         ServiceText* result) {
    m_request.clear();
    m_fault.clear();
    m_errorState = kNoError;
    const OperationMap& op = operationMap(id);
    ParameterRecord record{in, std::nullopt};
    if (const Status st = m_reader.begin(op, headerMap(id), record); failed(st)) {
        m_errorState = kRecordMemory;
        return st;
    }
    if (const Status st = writeRequest(op, headerMap(id), in, m_request); failed(st)) {
        m_errorState = kWriteFailed;
        return st;
    }
    std::string_view body;
    if (const Status st = send(op, body); failed(st)) {
        return st;
    }
    if (const Status st = m_reader.parseReply(body); failed(st)) {
        m_errorState = kReplyUnparsable;
        return st; // the record, and any partial result in it, dies here
    }
    *result = std::move(record.result);
    return S_OK;
}

Status ServiceProxy::send(const OperationMap& op, std::string_view& body) {
    if (!m_url) {
        m_errorState = kNotSent;
        return E_FAIL;
    }
    m_settings.extraHeaders.assign(op.soapActionLine);
    m_settings.extraHeaders.append(kAcceptLine);
    m_settings.body = m_request.data();
    m_settings.bodyLength = m_request.size();
    m_settings.port = m_url->port != 0 ? m_url->port : defaultPort(m_url->scheme);
    m_settings.timeoutMs = m_timeoutOverride > 0 ? m_timeoutOverride : 10000;
    // A server that drips a byte just inside every time-out would otherwise hold the window.
    m_settings.deadlineMs = m_deadlineOverride > 0 ? m_deadlineOverride : 60000;

    const bool completed = m_http.sendRequest(*m_url, m_settings);
    const int status = m_http.statusCode();
    if (completed) {
        if (status == 200) {
            body = m_http.body();
            if (body.empty()) {
                m_errorState = kEmptyBody;
                return E_FAIL;
            }
            return S_OK;
        }
        if (status == 202) {
            body = {}; // nothing to read: the parse step reports the failure
            return S_OK;
        }
        m_errorState = kUnexpectedStatus;
        return E_FAIL;
    }
    if (status == 500) {
        m_errorState = kSoapFault;
        if (failed(m_reader.parseFault(m_http.body(), m_fault))) {
            m_errorState = kFaultUnparsable;
            m_fault.clear(); // a half-read fault would only mislead
        }
        return E_FAIL;
    }
    m_errorState = kNotSent;
    return E_FAIL;
}

// Each method only lists its in-parameters; the call itself is the same for all operations.
#define TEXTOWL_INVOKE(op, ...)                                                                    \
    const std::array in{__VA_ARGS__};                                                              \
    return invoke(OperationId::op, in, result)

Status ServiceProxy::apiValidateLogin(const T& user, const T& password, T* result) {
    TEXTOWL_INVOKE(apiValidateLogin, &user, &password);
}
Status ServiceProxy::apiLogout(const T& ticket, T* result) {
    TEXTOWL_INVOKE(apiLogout, &ticket);
}
Status ServiceProxy::apiBalanceSms(const T& ticket, T* result) {
    TEXTOWL_INVOKE(apiBalanceSms, &ticket);
}
Status ServiceProxy::apiGetBuddyList(const T& ticket, T* result) {
    TEXTOWL_INVOKE(apiGetBuddyList, &ticket);
}
Status ServiceProxy::apiAddBuddy(const T& ticket, const T& bgid, const T& firstname,
                                 const T& lastname, const T& nickname, const T& cellphone,
                                 const T& email, const T& birthday, T* result) {
    TEXTOWL_INVOKE(apiAddBuddy, &ticket, &bgid, &firstname, &lastname, &nickname, &cellphone,
                   &email, &birthday);
}
Status ServiceProxy::apiUpdateBuddy(const T& ticket, const T& bid, const T& firstname,
                                    const T& lastname, const T& nickname, const T& cellphone,
                                    const T& email, const T& birthday, T* result) {
    TEXTOWL_INVOKE(apiUpdateBuddy, &ticket, &bid, &firstname, &lastname, &nickname, &cellphone,
                   &email, &birthday);
}
Status ServiceProxy::apiDeleteBuddy(const T& ticket, const T& bid, T* result) {
    TEXTOWL_INVOKE(apiDeleteBuddy, &ticket, &bid);
}
Status ServiceProxy::apiRemoveBuddy(const T& ticket, const T& bid, const T& bgid, T* result) {
    TEXTOWL_INVOKE(apiRemoveBuddy, &ticket, &bid, &bgid);
}
Status ServiceProxy::apiCopyBuddy(const T& ticket, const T& bid, const T& bgidFrom, const T& bgidTo,
                                  T* result) {
    TEXTOWL_INVOKE(apiCopyBuddy, &ticket, &bid, &bgidFrom, &bgidTo);
}
Status ServiceProxy::apiMoveBuddy(const T& ticket, const T& bid, const T& bgidFrom, const T& bgidTo,
                                  T* result) {
    TEXTOWL_INVOKE(apiMoveBuddy, &ticket, &bid, &bgidFrom, &bgidTo);
}
Status ServiceProxy::apiAddBuddyGroup(const T& ticket, const T& name, T* result) {
    TEXTOWL_INVOKE(apiAddBuddyGroup, &ticket, &name);
}
Status ServiceProxy::apiUpdateBuddyGroup(const T& ticket, const T& bgid, const T& name, T* result) {
    TEXTOWL_INVOKE(apiUpdateBuddyGroup, &ticket, &bgid, &name);
}
Status ServiceProxy::apiDeleteBuddyGroup(const T& ticket, const T& bgid, T* result) {
    TEXTOWL_INVOKE(apiDeleteBuddyGroup, &ticket, &bgid);
}
Status ServiceProxy::apiSendSms(const T& ticket, const T& smsFrom, const T& smsTo,
                                const T& msgContent, const T& msgType, const T& unicode,
                                const T& schedule, T* result) {
    TEXTOWL_INVOKE(apiSendSms, &ticket, &smsFrom, &smsTo, &msgContent, &msgType, &unicode,
                   &schedule);
}
Status ServiceProxy::apiSendSmsToGroup(const T& ticket, const T& smsFrom, const T& smsTo,
                                       const T& msgContent, const T& msgType, const T& unicode,
                                       const T& schedule, T* result) {
    TEXTOWL_INVOKE(apiSendSmsToGroup, &ticket, &smsFrom, &smsTo, &msgContent, &msgType, &unicode,
                   &schedule);
}
Status ServiceProxy::apiGetInterface(const T& ticket, T* result) {
    TEXTOWL_INVOKE(apiGetInterface, &ticket);
}

#undef TEXTOWL_INVOKE

} // namespace textowl
