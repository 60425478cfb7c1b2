#include "SelfSignedCertificate.h"

#include <cstdio>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <string>

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const noexcept { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const noexcept { X509_free(certificate); }
};
struct ExtensionDeleter {
    void operator()(X509_EXTENSION* extension) const noexcept { X509_EXTENSION_free(extension); }
};
struct FileDeleter {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

void Require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("test certificate: ") + what);
    }
}

void AddExtension(X509* certificate, X509V3_CTX& context, int nid, const char* value) {
    std::unique_ptr<X509_EXTENSION, ExtensionDeleter> extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    Require(extension && X509_add_ext(certificate, extension.get(), -1) == 1, value);
}

std::unique_ptr<std::FILE, FileDeleter> OpenForWriting(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, FileDeleter> file(std::fopen(path.c_str(), "wb"));
    Require(file != nullptr, "cannot create a PEM file");
    return file;
}

} // namespace

SelfSignedCertificate::SelfSignedCertificate(const std::filesystem::path& folder)
    : m_certificateFile(folder / "gateway-cert.pem"), m_keyFile(folder / "gateway-key.pem") {
    std::unique_ptr<EVP_PKEY, KeyDeleter> key(EVP_EC_gen("P-256"));
    Require(key != nullptr, "key generation");

    std::unique_ptr<X509, CertificateDeleter> certificate(X509_new());
    Require(certificate != nullptr, "X509_new");
    X509* cert = certificate.get();
    Require(X509_set_version(cert, 2) == 1, "version");
    Require(ASN1_INTEGER_set(X509_get_serialNumber(cert), 1) == 1, "serial");
    Require(X509_gmtime_adj(X509_getm_notBefore(cert), -3600) != nullptr, "notBefore");
    Require(X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600) != nullptr, "notAfter");
    Require(X509_set_pubkey(cert, key.get()) == 1, "public key");
    X509_NAME* name = X509_get_subject_name(cert);
    Require(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1,
                                       0) == 1,
            "subject");
    Require(X509_set_issuer_name(cert, name) == 1, "issuer");

    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    AddExtension(cert, context, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, context, NID_key_usage, "critical,digitalSignature,keyCertSign");
    AddExtension(cert, context, NID_subject_key_identifier, "hash");
    AddExtension(cert, context, NID_subject_alt_name, "IP:127.0.0.1");
    Require(X509_sign(cert, key.get(), EVP_sha256()) > 0, "signature");

    auto certificateOut = OpenForWriting(m_certificateFile);
    Require(PEM_write_X509(certificateOut.get(), cert) == 1, "writing the certificate");
    auto keyOut = OpenForWriting(m_keyFile);
    Require(PEM_write_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) ==
                1,
            "writing the key");
}
