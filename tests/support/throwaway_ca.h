#pragma once

#include <string>

namespace textowl::test {

// A certificate and its private key, both PEM.
struct TlsIdentity {
    std::string certificate;
    std::string key;
};

// A certificate authority that lives as long as one test: a client trusts it when SSL_CERT_FILE
// names a file holding rootPem().
class ThrowawayCa {
public:
    ThrowawayCa();

    const std::string& rootPem() const { return m_root.certificate; }

    // A server certificate for name (a DNS name, or an IP literal as an IP entry). An expired one
    // ended a day ago.
    TlsIdentity issue(const std::string& name, bool expired = false) const;
    // The same, signed with its own key: no trust store knows it.
    static TlsIdentity selfSigned(const std::string& name);

private:
    TlsIdentity m_root;
};

} // namespace textowl::test
