#pragma once

#include <filesystem>

// A fresh key and a self-signed certificate for 127.0.0.1 (CN and subject alternative name),
// written as PEM files into a folder: the identity of a loopback HTTPS test server and, as its
// own authority, the file a client must be told to trust.
class SelfSignedCertificate {
public:
    explicit SelfSignedCertificate(const std::filesystem::path& folder);

    const std::filesystem::path& CertificateFile() const { return m_certificateFile; }
    const std::filesystem::path& KeyFile() const { return m_keyFile; }

private:
    std::filesystem::path m_certificateFile;
    std::filesystem::path m_keyFile;
};
