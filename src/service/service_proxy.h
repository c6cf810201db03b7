#pragma once

#include "service/http_client.h"
#include "service/operation_map.h"
#include "service/soap_response_reader.h"
#include "service/status.h"
#include "service/tls_channel.h"

#include <optional>
#include <span>
#include <string>

namespace textowl {

// TEXTOWL_SERVICE_URL when set, else the built-in address of the service.
std::string serviceEndpoint();

// Runs one SOAP call per method over one kept-alive connection. In-parameters are borrowed;
// on success *result receives the "return" text (null when the reply carried none), on failure
// it is left untouched. Any failure leaves the proxy ready for the next call.
class ServiceProxy {
public:
    explicit ServiceProxy(const std::string& endpoint = serviceEndpoint());
    ~ServiceProxy();
    ServiceProxy(const ServiceProxy&) = delete;
    ServiceProxy& operator=(const ServiceProxy&) = delete;

    using T = ServiceText;
    Status apiValidateLogin(const T& user, const T& password, T* result);
    Status apiLogout(const T& ticket, T* result);
    Status apiBalanceSms(const T& ticket, T* result);
    Status apiGetBuddyList(const T& ticket, T* result);
    Status apiAddBuddy(const T& ticket, const T& bgid, const T& firstname, const T& lastname,
                       const T& nickname, const T& cellphone, const T& email, const T& birthday,
                       T* result);
    Status apiUpdateBuddy(const T& ticket, const T& bid, const T& firstname, const T& lastname,
                          const T& nickname, const T& cellphone, const T& email, const T& birthday,
                          T* result);
    Status apiDeleteBuddy(const T& ticket, const T& bid, T* result);
    Status apiRemoveBuddy(const T& ticket, const T& bid, const T& bgid, T* result);
    Status apiCopyBuddy(const T& ticket, const T& bid, const T& bgidFrom, const T& bgidTo,
                        T* result);
    Status apiMoveBuddy(const T& ticket, const T& bid, const T& bgidFrom, const T& bgidTo,
                        T* result);
    Status apiAddBuddyGroup(const T& ticket, const T& name, T* result);
    Status apiUpdateBuddyGroup(const T& ticket, const T& bgid, const T& name, T* result);
    Status apiDeleteBuddyGroup(const T& ticket, const T& bgid, T* result);
    Status apiSendSms(const T& ticket, const T& smsFrom, const T& smsTo, const T& msgContent,
                      const T& msgType, const T& unicode, const T& schedule, T* result);
    Status apiSendSmsToGroup(const T& ticket, const T& smsFrom, const T& smsTo, const T& msgContent,
                             const T& msgType, const T& unicode, const T& schedule, T* result);
    Status apiGetInterface(const T& ticket, T* result);

    // Any invoked operation by id; inParams in the operation's order.
    Status call(OperationId id, std::span<const ServiceText> inParams, ServiceText* result);

    // State of the last call: 0 none, 1..10 where it failed (4 is never produced).
    int clientErrorState() const { return m_errorState; }
    const FaultRecord& fault() const { return m_fault; }
    // Why the last call's service certificate was refused, if it was.
    CertificateProblem certificateProblem() const;
    // "https" or "http"; empty when the endpoint is no valid address.
    std::string_view scheme() const { return m_url ? std::string_view(m_url->scheme) : ""; }

    // Tests shorten the socket time-out; 0 keeps the transport's default of 10000 ms.
    void setTimeoutForTesting(int ms) { m_timeoutOverride = ms; }
    // Tests shorten the whole-call deadline; 0 keeps the default of 60000 ms.
    void setDeadlineForTesting(int ms) { m_deadlineOverride = ms; }

private:
    Status invoke(OperationId id, std::span<const ServiceText* const> in, ServiceText* result);
    Status run(OperationId id, std::span<const ServiceText* const> in, ServiceText* result);
    Status send(const OperationMap& op, std::string_view& body);

    std::optional<Url> m_url;
    HttpClient m_http;
    NavigationSettings m_settings;
    SoapResponseReader m_reader;
    std::string m_request;
    FaultRecord m_fault;
    int m_errorState = 0;
    int m_timeoutOverride = 0;
    int m_deadlineOverride = 0;
};

} // namespace textowl
