#include "server/host/service_host.h"
#include "service/result_document.h"
#include "service/service_proxy.h"
#include "service/utf.h"
#include "support/temp_dir.h"
#include "support/throwaway_ca.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace textowl::server {
namespace {

std::string written(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file) << text;
    return file.string();
}

// The client's own proxy signs in over HTTPS to the service's TLS front and loads the list,
// trusting only a CA made for the test. The pages the interface names are https ones too, or the
// browser would speak plain HTTP to the TLS port; the icons name the host alone, and the client
// fetches them in the scheme it reached the service by.
TEST(HttpsEndToEnd, SignInBuddyListAndInterfaceOverTls) {
    test::TempDir dir;
    const test::ThrowawayCa ca;
    const test::TlsIdentity identity = ca.issue("127.0.0.1");
    setenv("SSL_CERT_FILE", written(dir.file("root.pem"), ca.rootPem()).c_str(), 1);
    HostConfig config;
    config.database = dir.file("service.db").string();
    config.service.hashCost = HashCost::Minimum;
    config.server.front.tlsCertificate = written(dir.file("cert.pem"), identity.certificate);
    config.server.front.tlsKey = written(dir.file("key.pem"), identity.key);
    ServiceHost host(std::move(config));
    host.service().ensureDemoAccount();
    ASSERT_TRUE(host.bind());
    host.start();
    const std::string endpoint = host.server().endpointUrl();
    ASSERT_EQ(endpoint.rfind("https://127.0.0.1:", 0), 0u) << endpoint;

    ServiceProxy proxy(endpoint);
    ServiceText reply;
    ASSERT_EQ(proxy.apiValidateLogin(u"demo", u"demo", &reply), S_OK);
    ResultDocument login;
    ASSERT_TRUE(succeeded(checkResult(reply, login)));
    const std::string ticket = resultElement(login, "ticket").value_or("");
    ASSERT_FALSE(ticket.empty());
    ASSERT_EQ(proxy.apiGetBuddyList(utf8ToUtf16(ticket), &reply), S_OK);
    ResultDocument list;
    ASSERT_TRUE(succeeded(checkResult(reply, list)));
    EXPECT_TRUE(list.documentElement().child("buddylist").child("buddy"));

    ASSERT_EQ(proxy.apiGetInterface(utf8ToUtf16(ticket), &reply), S_OK);
    ResultDocument description;
    ASSERT_TRUE(succeeded(checkResult(reply, description)));
    const pugi::xml_node ui = description.documentElement().child("interface");
    const std::string pages = "https://" + host.service().publicHost() + "/pagewright/";
    int named = 0;
    for (const char* kind : {"tabs", "buttons"}) {
        for (const pugi::xml_node entry : ui.child(kind).children()) {
            ++named;
            EXPECT_EQ(std::string(entry.attribute("url").value()).rfind(pages, 0), 0u)
                << entry.attribute("url").value();
            EXPECT_EQ(entry.attribute("imageURI").value(), host.service().publicHost());
        }
    }
    EXPECT_EQ(named, 6);
    EXPECT_EQ(ui.child("footer").attribute("url").value(), pages + "footer");
    unsetenv("SSL_CERT_FILE");
}

} // namespace
} // namespace textowl::server
