#include "server/service/demo_account.h"

#include "server/service/password_hasher.h"

namespace textowl::server {

const AccountSeed& demoAccount() {
    static const AccountSeed seed = [] {
        auto member = [](const char* first, const char* last, const char* nick, const char* phone,
                         std::vector<std::string> groups) {
            return AccountSeed::Member{{first, last, nick, phone, "", "0-00-00"},
                                       std::move(groups)};
        };
        return AccountSeed{"demo",
                           kDemoPasswordHash,
                           50 * 100,
                           {"Family", "Work"},
                           {
                               member("Alice", "Anders", "", "46701234567", {""}),
                               member("Bob", "Berg", "Bobby", "46702345678", {"", "Work"}),
                               member("Carl", "Clark", "", "46703456789", {""}),
                               member("Dora", "Dahl", "Mum", "46704567890", {"Family"}),
                               member("Erik", "Dahl", "", "46705678901", {"Family"}),
                               member("Frida", "Falk", "", "46706789012", {"Work"}),
                           }};
    }();
    return seed;
}

} // namespace textowl::server
