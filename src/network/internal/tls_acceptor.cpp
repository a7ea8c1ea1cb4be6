#include "network/internal/tls_acceptor.h"

#include "network/internal/prompt_ack_transport.h"
#include "network/internal/tcp_socket.h"
#include "network/tls_files.h"

#include <dcmtk/dcmtls/tlstrans.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace kestrova {

namespace {

using Clock = std::chrono::steady_clock;

struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};
using SslConnection = std::unique_ptr<SSL, SslFree>;

// A TLS connection whose handshake is over and whose association request was read ahead: DCMTK
// reads that request first, then the connection.
class ReadAheadTlsConnection final : public DcmTLSConnection {
public:
    ReadAheadTlsConnection(DcmNativeSocketType socket, SSL* ssl, std::vector<std::uint8_t> readAhead)
        : DcmTLSConnection(socket, ssl), readAhead_(std::move(readAhead))
    {
    }

    OFCondition serverSideHandshake() override { return EC_Normal; }

    ssize_t read(void* buffer, size_t bytes) override
    {
        if (next_ < readAhead_.size()) {
            const std::size_t given = std::min(bytes, readAhead_.size() - next_);
            std::memcpy(buffer, readAhead_.data() + next_, given);
            next_ += given;
            return static_cast<ssize_t>(given);
        }
        const ssize_t received = DcmTLSConnection::read(buffer, bytes);
        acknowledgePromptly(getSocket());
        return received;
    }

    OFBool networkDataAvailable(int timeout) override
    {
        return next_ < readAhead_.size() || DcmTLSConnection::networkDataAvailable(timeout);
    }

private:
    std::vector<std::uint8_t> readAhead_;
    std::size_t next_ = 0;
};

std::string loadFiles(DcmTLSTransportLayer& layer, const TlsSettings& settings)
{
    if (settings.Certificate.empty() || settings.PrivateKey.empty())
        return "Certificate and PrivateKey must name the server's certificate and its key";
    if (settings.RequirePeerCertificate != 0 && settings.TrustedCertificates.empty())
        return "RequirePeerCertificate=1 needs TrustedCertificates to check peers' certificates against";
    if (std::string problem = loadOwnCertificate(layer, settings.Certificate, settings.PrivateKey); !problem.empty())
        return problem;
    return settings.TrustedCertificates.empty() ? std::string()
                                                : loadTrustedCertificates(layer, settings.TrustedCertificates);
}

// DCMTK's layer set up as the settings say; what is wrong with them, empty when nothing is.
std::string configure(DcmTLSTransportLayer& layer, const TlsSettings& settings)
{
    if (!layer)
        return "OpenSSL could not be set up";
    if (std::string problem = loadFiles(layer, settings); !problem.empty())
        return problem;
    if (std::string problem = useBcp195Profile(layer); !problem.empty())
        return problem;
    layer.setCertificateVerification(settings.RequirePeerCertificate != 0 ? DCV_requireCertificate : DCV_checkCertificate);
    return {};
}

enum class Step { Done, TimedOut, Closed, Failed };

// Runs an OpenSSL call on the non-blocking socket until it completes, waiting for the socket as
// OpenSSL asks.
template <typename Call>
Step complete(SSL* ssl, const Socket& socket, Clock::time_point deadline, Call call)
{
    for (;;) {
        ERR_clear_error();
        const int result = call();
        if (result > 0)
            return Step::Done;
        switch (SSL_get_error(ssl, result)) {
        case SSL_ERROR_WANT_READ:
            if (!waitUntilReady(socket, POLLIN, deadline))
                return Step::TimedOut;
            break;
        case SSL_ERROR_WANT_WRITE:
            if (!waitUntilReady(socket, POLLOUT, deadline))
                return Step::TimedOut;
            break;
        case SSL_ERROR_ZERO_RETURN: return Step::Closed;
        case SSL_ERROR_SYSCALL: return ERR_peek_error() == 0 ? Step::Closed : Step::Failed;
        default: return Step::Failed;
        }
    }
}

Step readWhole(SSL* ssl, const Socket& socket, Clock::time_point deadline, std::uint8_t* data, std::size_t size)
{
    for (std::size_t done = 0; done < size;) {
        int got = 0;
        const Step step = complete(ssl, socket, deadline, [&] {
            got = SSL_read(ssl, data + done, static_cast<int>(size - done));
            return got;
        });
        if (step != Step::Done)
            return step;
        done += static_cast<std::size_t>(got);
    }
    return Step::Done;
}

std::string failureOf(Step step)
{
    if (step == Step::Closed)
        return "the connection closed";
    const char* reason = ERR_reason_error_string(ERR_peek_last_error());
    return reason ? reason : "the TLS connection failed";
}

TlsAcceptor::Secured failed(Step step)
{
    TlsAcceptor::Secured secured;
    secured.arrival = step == Step::TimedOut ? Arrival::TimedOut : Arrival::TlsFailed;
    secured.failure = failureOf(step);
    return secured;
}

} // namespace

TlsAcceptor::TlsAcceptor(const TlsSettings& settings) : problem_(configure(layer_, settings)) {}

TlsAcceptor::Secured TlsAcceptor::secure(Socket connection, Clock::time_point deadline) const
{
    SslConnection ssl(SSL_new(context_));
    if (!ssl || SSL_set_fd(ssl.get(), connection.get()) != 1)
        return failed(Step::Failed);
    setNonBlocking(connection, true);
    if (const Step step = complete(ssl.get(), connection, deadline, [&] { return SSL_accept(ssl.get()); });
        step != Step::Done)
        return failed(step);
    PduHeader header{};
    if (const Step step = readWhole(ssl.get(), connection, deadline, header.data(), header.size()); step != Step::Done)
        return failed(step);
    Secured secured;
    std::uint32_t length = 0;
    secured.arrival = checkRequestHeader(header, length);
    if (secured.arrival != Arrival::Whole)
        return secured;
    std::vector<std::uint8_t> request(header.begin(), header.end());
    request.resize(PduHeaderLength + length);
    if (const Step step = readWhole(ssl.get(), connection, deadline, request.data() + PduHeaderLength, length);
        step != Step::Done)
        return failed(step);
    setNonBlocking(connection, false);
    secured.connection = std::make_unique<ReadAheadTlsConnection>(connection.release(), ssl.release(), std::move(request));
    return secured;
}

} // namespace kestrova
