#include "trusted_server.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace textowl::bench {

test::TlsIdentity trustedLoopbackIdentity() {
    const test::ThrowawayCa ca;
    char path[] = "/tmp/textowl-bench-ca-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        throw std::runtime_error("cannot write the throwaway CA");
    }
    ::close(fd);
    std::ofstream(path) << ca.rootPem();
    ::setenv("SSL_CERT_FILE", path, 1);
    // The client reads the file at its first https connection; it goes when the process ends.
    static const std::string kept = path;
    std::atexit([] { ::unlink(kept.c_str()); });
    return ca.issue("127.0.0.1");
}

} // namespace textowl::bench
