// What the sign-up and sign-in limits let an attacker do, against the service in this process on
// loopback, with passwords hashed at the real (interactive) cost:
//
//   abuse_limits [--seconds 20] [--flood-threads 40] [--sign-ins 30] [--guesses 40]
//                [--addresses 1000]
//
// 1. A sign-up flood from 127.0.0.1 on --flood-threads connections for --seconds, while
//    --sign-ins genuine users sign in, spread over that time, each from its own address
//    (127.0.0.2 upwards): accounts created, and genuine sign-ins that succeeded. Once with the
//    sign-up limits, once with only the hashing queue's places per address.
// 2. --guesses wrong passwords for one account sent at once from a fresh address, twice, then
//    the right one: the password checks actually made, and whether the right one is refused.
// 3. Checks one account gets in an hour from --addresses addresses, each guessing as often as
//    it is let: the throttle alone, on a simulated clock.

#include "balance_load.h"

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace textowl::bench {
namespace {

using server::Milliseconds;
using server::SignInLimits;
using server::SignInThrottle;

// One HTTP/1.0 POST from the given loopback address; the status, or 0 when it failed. A SOAP
// reply counts as 200 only when its result holds success (the text given).
int postFrom(const std::string& from, int port, const std::string& path,
             const std::string& contentType, const std::string& body,
             const std::string& success = "err=\"0\"") {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    int status = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0) {
        const std::string request =
            "POST " + path + " HTTP/1.0\r\nHost: 127.0.0.1\r\n" + "Content-Type: " + contentType +
            "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
        std::string reply;
        char buffer[4096];
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
                reply.append(buffer, static_cast<std::size_t>(n));
            }
        }
        status = reply.size() > 12 ? std::atoi(reply.c_str() + 9) : 0;
        if (status == 200 && path.find("soap") != std::string::npos &&
            reply.find(success) == std::string::npos) {
            status = 0;
        }
    }
    close(fd);
    return status;
}

std::string signInBody(const std::string& user, const std::string& password) {
    return "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
           "<p:apiValidateLogin xmlns:p=\"urn:Pagewright\"><user>" +
           user + "</user><password>" + password +
           "</password></p:apiValidateLogin></soap:Body></soap:Envelope>";
}

int signInFrom(const std::string& from, int port, const std::string& user,
               const std::string& password, const std::string& success = "err=\"0\"") {
    return postFrom(from, port, "/pagewright/soapserver.php", "text/xml; charset=utf-8",
                    signInBody(user, password), success);
}

double number(int argc, char** argv, const char* name, double fallback) {
    const auto value = optionValue(argc, argv, name);
    return value ? std::atof(value->c_str()) : fallback;
}

// The port of "http://127.0.0.1:PORT/pagewright/soapserver.php".
int portOf(const LoadTarget& target) {
    const std::string endpoint = target.endpoint();
    return std::atoi(endpoint.c_str() + endpoint.rfind(':') + 1);
}

server::ServiceConfig quiet() {
    server::ServiceConfig config;
    config.diagnostics = [](const std::string&) {};
    return config;
}

// With signUpLimits off, only the hashing queue's places per address hold the flood back.
void signUpFlood(double seconds, int threads, int signIns, bool signUpLimits) {
    server::ServiceConfig config = quiet();
    if (!signUpLimits) {
        config.signUp = {0, 0};
    }
    LoadTarget target(config);
    for (int i = 0; i < signIns; ++i) {
        target.service().createAccount("user" + std::to_string(i), "genuine", 0);
    }
    const int port = portOf(target);
    std::atomic<bool> stop{false};
    std::atomic<int> created{0}, refused{0}, busy{0};
    std::vector<std::thread> flood;
    for (int t = 0; t < threads; ++t) {
        flood.emplace_back([&, t] {
            for (int i = 0; !stop; ++i) {
                const std::string name = "flood" + std::to_string(t) + "x" + std::to_string(i);
                const int status = postFrom("127.0.0.1", port, "/pagewright/signup",
                                            "application/x-www-form-urlencoded",
                                            "name=" + name +
                                                "&password=floodflood&password2="
                                                "floodflood");
                (status == 200 ? created : status == 429 ? refused : busy)++;
            }
        });
    }
    int succeeded = 0;
    const auto start = Clock::now();
    for (int i = 0; i < signIns; ++i) {
        std::this_thread::sleep_until(start + std::chrono::duration<double>(seconds * i / signIns));
        const std::string from = "127.0.0." + std::to_string(2 + i);
        succeeded += signInFrom(from, port, "user" + std::to_string(i), "genuine") == 200;
    }
    std::this_thread::sleep_until(start + std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread& t : flood) {
        t.join();
    }
    std::printf("sign-up flood (sign-up limits %s), %d threads from one address for %.0f s: "
                "%d accounts created, %d refused for the hour, %d busy or other\n",
                signUpLimits ? "on" : "off", threads, seconds, created.load(), refused.load(),
                busy.load());
    std::printf("  genuine sign-ins from other addresses meanwhile: %d of %d succeeded\n",
                succeeded, signIns);
}

// Two waves of parallel wrong passwords, then the right one: checks per wave, and whether the
// back-off the guesses started refuses the right password.
void parallelGuesses(int guesses) {
    LoadTarget target(quiet());
    const int port = portOf(target);
    std::printf("%d wrong passwords at once from a fresh address, twice, then the right one:\n",
                guesses);
    for (int wave = 1; wave <= 2; ++wave) {
        const std::uint64_t before = target.service().passwordHashesComputed();
        std::atomic<int> busy{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < guesses; ++i) {
            threads.emplace_back(
                [&] { busy += signInFrom("127.0.0.200", port, "bench", "x", "err=\"7\"") == 200; });
        }
        for (std::thread& t : threads) {
            t.join();
        }
        std::printf(
            "  wave %d: %llu password checks, %d answered busy\n", wave,
            static_cast<unsigned long long>(target.service().passwordHashesComputed() - before),
            busy.load());
    }
    std::printf("  the right password right after: %s\n",
                signInFrom("127.0.0.200", port, "bench", "bench") == 200 ? "accepted"
                                                                         : "refused (back-off)");
}

// Every address tries once a second for an hour, with and without the per-account limit.
void addressesOnOneAccount(int addresses) {
    for (const int perHour : {SignInLimits{}.accountFailuresPerHour, 0}) {
        SignInLimits limits;
        limits.accountFailuresPerHour = perHour;
        Milliseconds now{0};
        SignInThrottle throttle(limits, [&] { return now; });
        long checks = 0;
        long firstMinute = 0;
        for (int second = 0; second < 3600; ++second) {
            now = Milliseconds(std::int64_t{second} * 1000);
            for (int a = 0; a < addresses; ++a) {
                const std::string from = "10." + std::to_string(a / 65536) + "." +
                                         std::to_string(a / 256 % 256) + "." +
                                         std::to_string(a % 256);
                if (auto attempt = throttle.admit("victim", from)) {
                    attempt->failed();
                    ++checks;
                }
            }
            firstMinute = second == 59 ? checks : firstMinute;
        }
        std::printf("%d addresses guessing at one account for an hour, per-account limit %s: "
                    "%ld password checks in the first minute, %ld in the hour (%.1f per "
                    "address)\n",
                    addresses, perHour > 0 ? "on" : "off", firstMinute, checks,
                    static_cast<double>(checks) / addresses);
    }
}

} // namespace
} // namespace textowl::bench

int main(int argc, char** argv) {
    using namespace textowl::bench;
    const double seconds = number(argc, argv, "--seconds", 20);
    const int threads = static_cast<int>(number(argc, argv, "--flood-threads", 40));
    const int signIns = static_cast<int>(number(argc, argv, "--sign-ins", 30));
    for (const bool signUpLimits : {true, false}) {
        signUpFlood(seconds, threads, signIns, signUpLimits);
    }
    parallelGuesses(static_cast<int>(number(argc, argv, "--guesses", 40)));
    addressesOnOneAccount(static_cast<int>(number(argc, argv, "--addresses", 1000)));
    return 0;
}
