#include "buddylist/buddy_operation.h"

#include "buddylist/buddy_list_document.h"
#include "service/result_document.h"

#include <new>

namespace textowl {

namespace {

// Runs the call unless the session is missing; a null result counts as a failed call. Every
// failure reads the same to the caller.
Status callWithTicket(std::string_view ticket, const ServiceCall& call, ServiceText& result) {
    if (ticket.empty() || !call)
        return E_FAIL;
    if (failed(call(result)))
        return E_FAIL;
    return result ? S_OK : E_FAIL;
}

// A result element without any child node carries no id, which the caller could not use.
bool hasResultValue(const ResultDocument& document, std::string_view name) {
    const pugi::xml_node element = document.documentElement().child(std::string(name).c_str());
    return element && element.first_child();
}

} // namespace

Status buddyOperationOutcome(std::string_view ticket, Status status, const ServiceText& result,
                             std::string_view requiredElement, std::string* elementValue) {
    try {
        if (ticket.empty() || failed(status) || !result)
            return E_FAIL;
        ResultDocument document;
        if (failed(checkResult(result, document)))
            return E_FAIL;
        if (requiredElement.empty())
            return S_OK;
        if (!hasResultValue(document, requiredElement))
            return E_FAIL;
        std::optional<std::string> value = resultElement(document, requiredElement);
        if (!value)
            return E_FAIL;
        if (elementValue)
            *elementValue = std::move(*value);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

bool answerMissing(Status status, const ServiceText& result) {
    return failed(status) || !result;
}

Status buddyListOutcome(std::string_view ticket, Status status, const ServiceText& result,
                        BuddyEntry& root) {
    try {
        if (ticket.empty() || failed(status) || !result)
            return E_FAIL;
        return parseBuddyListResult(result, root);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

Status runBuddyOperation(std::string_view ticket, const ServiceCall& call,
                         std::string_view requiredElement, std::string* elementValue) {
    ServiceText result;
    const Status status = callWithTicket(ticket, call, result);
    return buddyOperationOutcome(ticket, status, result, requiredElement, elementValue);
}

Status fetchBuddyList(std::string_view ticket, const ServiceCall& call, BuddyEntry& root) {
    ServiceText result;
    const Status status = callWithTicket(ticket, call, result);
    return buddyListOutcome(ticket, status, result, root);
}

} // namespace textowl
