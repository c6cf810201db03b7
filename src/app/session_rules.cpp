#include "app/session_rules.h"

#include "service/result_document.h"
#include "texts/text_format.h"

#include <new>
#include <pugixml.hpp>

namespace textowl {

namespace {

// The common judgement of a reply: the call succeeded and the result passes the check; `read`
// then takes what it needs from the document element.
template <typename Read>
std::optional<std::string> readCheckedResult(Status callStatus, const ServiceText& result,
                                             Read read) {
    if (failed(callStatus))
        return std::nullopt;
    try {
        ResultDocument document;
        if (failed(checkResult(result, document)))
            return std::nullopt;
        return read(document);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace

std::optional<std::string> ticketFromSignIn(Status callStatus, const ServiceText& result) {
    return readCheckedResult(
        callStatus, result, [](const ResultDocument& document) -> std::optional<std::string> {
            const pugi::xml_node value = document.documentElement().child("ticket").first_child();
            if (!value || *value.value() == '\0')
                return std::nullopt;
            return std::string(value.value());
        });
}

std::optional<std::string> balanceFromResult(Status callStatus, const ServiceText& result) {
    return readCheckedResult(callStatus, result, [](const ResultDocument& document) {
        return std::optional<std::string>(
            resultElement(document, "balance").value_or(std::string()));
    });
}

std::optional<Text> certificateReason(CertificateProblem problem) {
    switch (problem) {
    case CertificateProblem::None:
        return std::nullopt;
    case CertificateProblem::Expired:
        return Text::CertificateExpired;
    case CertificateProblem::WrongHost:
        return Text::CertificateWrongHost;
    case CertificateProblem::Untrusted:
        return Text::CertificateUntrusted;
    case CertificateProblem::Invalid:
        break;
    }
    return Text::CertificateInvalid;
}

std::string signedInTitle(std::string_view applicationName, std::string_view user) {
    return formatText("%s - %s", {applicationName, user});
}

std::string balanceLine(std::string_view format, std::string_view balance) {
    return formatText(format, {balance});
}

LoadOutcome judgeLoad(Status buddyList, Status balance) {
    return failed(buddyList) || failed(balance) ? LoadOutcome::Abandon : LoadOutcome::SignedIn;
}

PixelRect pageArea(int w, int h, bool hasFooter) {
    // The footer leaves room between the page and itself for the header links.
    return {36, 74, w - 41, hasFooter ? h - 169 : h - 120};
}

PixelRect sendingPageArea(int w, int h) {
    return {33, 71, w - 35, h - 145};
}

} // namespace textowl
