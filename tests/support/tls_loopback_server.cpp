#include "tests/support/tls_loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace talvex::test {
namespace {

struct ContextCloser {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
struct SessionCloser {
    void operator()(SSL* session) const { SSL_free(session); }
};
struct KeyCloser {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateCloser {
    void operator()(X509* certificate) const { X509_free(certificate); }
};

// A key and a certificate for 127.0.0.1 that signs itself, valid for a day.
std::unique_ptr<X509, CertificateCloser> SelfSignedCertificate(EVP_PKEY* key) {
    std::unique_ptr<X509, CertificateCloser> certificate(X509_new());
    if (!certificate) {
        return nullptr;
    }
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 86400);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    if (X509_sign(certificate.get(), key, EVP_sha256()) == 0) {
        return nullptr;
    }
    return certificate;
}

bool WaitReadable(int socket, int stopEvent) {
    pollfd fds[2] = {{socket, POLLIN, 0}, {stopEvent, POLLIN, 0}};
    return poll(fds, 2, -1) > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
}

}  // namespace

struct TlsLoopbackServer::Tls {
    std::unique_ptr<SSL_CTX, ContextCloser> context;
};

TlsLoopbackServer::TlsLoopbackServer(std::string response)
    : m_response(std::move(response)), m_tls(std::make_unique<Tls>()) {
    const std::unique_ptr<EVP_PKEY, KeyCloser> key(EVP_EC_gen("P-256"));
    const auto certificate = key ? SelfSignedCertificate(key.get()) : nullptr;
    m_tls->context.reset(SSL_CTX_new(TLS_server_method()));
    if (!certificate || !m_tls->context ||
        SSL_CTX_use_certificate(m_tls->context.get(), certificate.get()) != 1 ||
        SSL_CTX_use_PrivateKey(m_tls->context.get(), key.get()) != 1) {
        throw std::runtime_error("tls loopback server: no certificate");
    }
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    m_stopEvent = eventfd(0, EFD_CLOEXEC);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || m_stopEvent < 0 ||
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, 16) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("tls loopback server: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { AcceptLoop(); });
}

TlsLoopbackServer::~TlsLoopbackServer() {
    const std::uint64_t one = 1;
    (void)!write(m_stopEvent, &one, sizeof one);
    m_acceptor.join();
    close(m_listener);
    close(m_stopEvent);
}

std::string TlsLoopbackServer::Url(std::string_view path) const {
    return "https://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

// One connection at a time: enough for the tests, which make one request each.
void TlsLoopbackServer::AcceptLoop() {
    while (WaitReadable(m_listener, m_stopEvent)) {
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            continue;
        }
        const std::unique_ptr<SSL, SessionCloser> session(SSL_new(m_tls->context.get()));
        if (session && SSL_set_fd(session.get(), client) == 1 && SSL_accept(session.get()) == 1) {
            ++m_handshakes;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = SSL_read(session.get(), buffer, sizeof buffer);
                if (got <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(got));
            }
            if (request.find("\r\n\r\n") != std::string::npos) {
                ++m_requests;
                SSL_write(session.get(), m_response.data(), static_cast<int>(m_response.size()));
            }
            SSL_shutdown(session.get());
        }
        close(client);
    }
}

}  // namespace talvex::test
