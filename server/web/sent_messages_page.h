#pragma once

#include "server/front/http_request.h"
#include "server/store/store.h"
#include "server/web/page_language.h"

#include <string>

namespace textowl::server {

// The history behind the Sent messages button: the account's messages, newest first, 50 to a
// page. It opens in a web tab about 260 pixels wide, so each message is a short block of lines
// rather than a row of a table. pageText is the page's "page" parameter, 0 the newest.
HttpReply sentMessagesPage(Store& store, AccountId account, const std::string& ticket,
                           const std::string& pageText, PageLanguage language);

} // namespace textowl::server
