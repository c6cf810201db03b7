#include "proxy_replies.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>

#ifdef PAGEWRIGHT_CALL_PATH

namespace textowl {
namespace {

using test::ConnectionScript;
using test::httpReply;
using test::ScriptedServer;

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;

    std::string lastErrLine(int fromEnd = 0) const {
        std::istringstream lines(err);
        std::vector<std::string> all;
        for (std::string line; std::getline(lines, line);) {
            all.push_back(line);
        }
        return static_cast<int>(all.size()) > fromEnd ? all[all.size() - 1 - fromEnd] : "";
    }
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string quoted(const std::string& arg) {
    std::string out = "'";
    for (const char c : arg) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

ToolRun runTool(const std::string& url, const std::vector<std::string>& args) {
    test::TempDir dir;
    std::string command = "TEXTOWL_SERVICE_URL=" + quoted(url) + " " + PAGEWRIGHT_CALL_PATH;
    for (const std::string& arg : args) {
        command += " " + quoted(arg);
    }
    command += " >" + dir.file("out").string() + " 2>" + dir.file("err").string();
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.exitCode = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = readAll(dir.file("out"));
    run.err = readAll(dir.file("err"));
    return run;
}

TEST(PagewrightCall, PrintsTheReturnTextAndTheOutcomeLine) {
    ScriptedServer server({}, ConnectionScript::serveForever(
                                  test::okReply("&lt;r err=\"0\"&gt;h\xC3\xA9&lt;/r&gt;")));
    const ToolRun run =
        runTool(server.url(test::kEndpointPath), {"apiValidateLogin", "alice", "--nil"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "<r err=\"0\">h\xC3\xA9</r>\n");
    EXPECT_EQ(run.lastErrLine(), "status 0x00000000, client error state 0");
    const std::string sent = server.received(0);
    EXPECT_NE(sent.find("<user>alice</user><password xsi:nil=\"1\"/>"), std::string::npos);
}

TEST(PagewrightCall, NullReturnPrintsNothing) {
    ScriptedServer server({}, ConnectionScript::serveForever(httpReply(
                                  "200 OK", test::soapReturn("<return xsi:nil=\"1\"/>"))));
    const ToolRun run = runTool(server.url(test::kEndpointPath), {"apiLogout", "T"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
}

TEST(PagewrightCall, FaultIsReportedBeforeTheOutcomeLine) {
    ScriptedServer server(
        {}, ConnectionScript::serveForever(httpReply(
                "500 Internal Server Error", test::faultBody("Server", "Invalid\nticket"))));
    const ToolRun run = runTool(server.url(test::kEndpointPath), {"apiBalanceSms", "T"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.lastErrLine(1), "fault 400: Invalid ticket");
    EXPECT_EQ(run.lastErrLine(), "status 0x80004005, client error state 7");
}

TEST(PagewrightCall, TransportFailureExitsOne) {
    ScriptedServer server({}, ConnectionScript::serveForever(httpReply("404 Not Found", "")));
    const ToolRun run = runTool(server.url(test::kEndpointPath), {"apiGetInterface", "T"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.lastErrLine(), "status 0x80004005, client error state 5");
}

TEST(PagewrightCall, WrongOperationOrArgumentCountPrintsUsage) {
    const std::string url = "http://127.0.0.1:1/";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"apiNoSuch"}, {"apiLogout"}, {"apiLogout", "a", "b"}, {"apiRenewTicket", "T"}}) {
        const ToolRun run = runTool(url, args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.lastErrLine(1).rfind("usage: pagewright-call OPERATION", 0), 0u);
        EXPECT_EQ(run.lastErrLine(), "status 0x80070057, client error state 0");
        EXPECT_EQ(run.out, "");
    }
}

} // namespace
} // namespace textowl

#endif
