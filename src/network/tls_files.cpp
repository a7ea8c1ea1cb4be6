#include "network/tls_files.h"

#include <dcmtk/config/osconfig.h>
#include <dcmtk/dcmtls/tlslayer.h>
#include <openssl/ssl.h>

#include <filesystem>

namespace kestrova {
namespace {

int noPassword(char*, int, int, void*) { return 0; }

std::string unreadable(const char* what, const std::string& path, const OFCondition& condition)
{
    return std::string(what) + " " + path + " cannot be read: " + condition.text();
}

} // namespace

std::string loadOwnCertificate(DcmTLSTransportLayer& layer, const std::string& certificate,
                               const std::string& privateKey)
{
    SSL_CTX_set_default_passwd_cb(layer.getNativeHandle(), noPassword);
    if (const OFCondition key = layer.setPrivateKeyFile(privateKey.c_str(), DCF_Filetype_PEM); key.bad())
        return unreadable("the private key", privateKey, key);
    if (const OFCondition loaded = layer.setCertificateFile(certificate.c_str(), DCF_Filetype_PEM); loaded.bad())
        return unreadable("the certificate", certificate, loaded);
    if (!layer.checkPrivateKeyMatchesCertificate())
        return "the private key " + privateKey + " does not match the certificate " + certificate;
    return {};
}

std::string loadTrustedCertificates(DcmTLSTransportLayer& layer, const std::string& path)
{
    std::error_code ec;
    const OFCondition trusted = std::filesystem::is_directory(path, ec)
                                    ? layer.addTrustedCertificateDir(path.c_str(), DCF_Filetype_PEM)
                                    : layer.addTrustedCertificateFile(path.c_str(), DCF_Filetype_PEM);
    return trusted.good() ? std::string() : unreadable("the trusted certificates", path, trusted);
}

std::string useBcp195Profile(DcmTLSTransportLayer& layer)
{
    OFCondition profile = layer.setTLSProfile(TSP_Profile_BCP195);
    if (profile.good())
        profile = layer.activateCipherSuites();
    return profile.good() ? std::string() : std::string("the BCP 195 profile cannot be set up: ") + profile.text();
}

} // namespace kestrova
