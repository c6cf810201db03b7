#include "support/throwaway_ca.h"

#include <arpa/inet.h>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace textowl::test {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Cert = std::unique_ptr<X509, decltype(&X509_free)>;

constexpr long kDay = 24 * 60 * 60;

void check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("throwaway CA: ") + what);
    }
}

Key newKey() {
    Key key(EVP_EC_gen("P-256"), EVP_PKEY_free);
    check(key != nullptr, "key");
    return key;
}

using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

Bio readBio(const std::string& pem) {
    return Bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
}

Key readKey(const std::string& pem) {
    Key key(PEM_read_bio_PrivateKey(readBio(pem).get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    check(key != nullptr, "read key");
    return key;
}

Cert readCert(const std::string& pem) {
    Cert cert(PEM_read_bio_X509(readBio(pem).get(), nullptr, nullptr, nullptr), X509_free);
    check(cert != nullptr, "read certificate");
    return cert;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    check(extension != nullptr && X509_add_ext(cert, extension, -1) == 1, "extension");
    X509_EXTENSION_free(extension);
}

bool isIpLiteral(const std::string& name) {
    unsigned char address[16];
    return inet_pton(AF_INET, name.c_str(), address) == 1 ||
           inet_pton(AF_INET6, name.c_str(), address) == 1;
}

std::string takePem(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    (void)BIO_reset(bio);
    return pem;
}

// issuer and issuerKey null: the certificate signs itself.
TlsIdentity makeCertificate(const std::string& name, bool authority, bool expired, X509* issuer,
                            EVP_PKEY* issuerKey) {
    static long serial = 1;
    Key key = newKey();
    Cert cert(X509_new(), X509_free);
    check(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), ++serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), expired ? -2 * kDay : -60);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), expired ? -kDay : kDay);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* subject = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(name.c_str()), -1, -1, 0);
    X509* signer = issuer != nullptr ? issuer : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
    if (authority) {
        addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        addExtension(cert.get(), signer, NID_subject_alt_name,
                     (isIpLiteral(name) ? "IP:" : "DNS:") + name);
    }
    check(X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key.get(), EVP_sha256()) > 0,
          "sign");

    Bio bio(BIO_new(BIO_s_mem()), BIO_free);
    TlsIdentity identity;
    check(PEM_write_bio_X509(bio.get(), cert.get()) == 1, "write certificate");
    identity.certificate = takePem(bio.get());
    check(PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ==
              1,
          "write key");
    identity.key = takePem(bio.get());
    return identity;
}

} // namespace

ThrowawayCa::ThrowawayCa()
    : m_root(makeCertificate("Throwaway Test CA", true, false, nullptr, nullptr)) {}

TlsIdentity ThrowawayCa::issue(const std::string& name, bool expired) const {
    const Cert root = readCert(m_root.certificate);
    const Key rootKey = readKey(m_root.key);
    return makeCertificate(name, false, expired, root.get(), rootKey.get());
}

TlsIdentity ThrowawayCa::selfSigned(const std::string& name) {
    return makeCertificate(name, false, false, nullptr, nullptr);
}

} // namespace textowl::test
