#pragma once

#include "service/operation_map.h"
#include "service/status.h"
#include "service/tls_channel.h"
#include "texts/text_table.h"
#include "ui/skin_layout.h"

#include <optional>
#include <string>
#include <string_view>

namespace textowl {

// The ticket of an accepted apiValidateLogin, or nothing: the call must have succeeded, the result
// must pass the result check and its "ticket" element must hold a value. An empty ticket is
// refused too, since an empty ticket is what "signed out" looks like to every later call.
std::optional<std::string> ticketFromSignIn(Status callStatus, const ServiceText& result);

// The new balance text from an apiBalanceSms answer, or nothing when the refresh failed (the old
// text then stays). An accepted answer without a balance value gives an empty balance.
std::optional<std::string> balanceFromResult(Status callStatus, const ServiceText& result);

// The reason added to the sign-in failure when the service's certificate was refused.
std::optional<Text> certificateReason(CertificateProblem problem);

// "%s - %s" with the application name and the user name.
std::string signedInTitle(std::string_view applicationName, std::string_view user);
// The balance format (user-editable) with the balance text in place of its "%s".
std::string balanceLine(std::string_view format, std::string_view balance);

// What the session does with the result of the post-sign-in load.
enum class LoadOutcome {
    SignedIn, // show the signed-in view
    Abandon,  // release the ticket, restore the signed-out view and say that sign-in failed
};
// The buddy list and the balance are both needed; the interface description is optional.
LoadOutcome judgeLoad(Status buddyList, Status balance);

// Where the current page sits for a client area of w by h.
PixelRect pageArea(int w, int h, bool hasFooter);
// Where the send-message panel sits while it is the page: a little larger than other pages.
PixelRect sendingPageArea(int w, int h);

} // namespace textowl
