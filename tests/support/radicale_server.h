#pragma once
// A real CardDAV server for tests: Radicale on a free loopback port with its own storage and a
// plain password file (user alice, password secret) in a temporary folder, stopped and removed
// with the object.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace test_support {

namespace fs = std::filesystem;

// A port nobody listens on now, chosen by the kernel.
inline int free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

inline bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// Radicale on a loopback port with its own storage and a plain password file, in its own
// home; stopped (and its folder removed) with the test. With tls it answers https only, with
// a certificate of its own for 127.0.0.1 (certificate() names the file).
class RadicaleServer {
public:
    explicit RadicaleServer(bool tls = false) : m_port(free_port()), m_tls(tls) {
        m_home.write("users", "alice:secret\n");
        if (m_tls) {
            const e2e::RunResult made = m_home.run(
                "/usr/bin/openssl",
                {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                 (m_home.root() / "key.pem").string(), "-out", certificate().string(), "-days", "2",
                 "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
            EXPECT_EQ(made.exit_code, 0) << made.err;
        }
        start();
    }
    fs::path certificate() const { return m_home.root() / "cert.pem"; }
    ~RadicaleServer() { stop(); }

    void start() {
        std::vector<std::string> args{
            "--server-hosts", "127.0.0.1:" + std::to_string(m_port),
            "--storage-filesystem-folder", (m_home.root() / "store").string(),
            "--auth-type", "htpasswd", "--auth-htpasswd-filename",
            (m_home.root() / "users").string(), "--auth-htpasswd-encryption",
            "plain", "--rights-type", "owner_only", "--logging-level", "error"};
        if (m_tls) {
            args.insert(args.end(), {"--server-ssl", "True", "--server-certificate",
                                     certificate().string(), "--server-key",
                                     (m_home.root() / "key.pem").string()});
        }
        m_child = m_home.start("/usr/bin/radicale", args);
        ASSERT_TRUE(e2e::eventually([&] { return accepts(m_port); })) << "radicale did not start";
    }
    void stop() {
        if (m_child.pid > 0) {
            ::kill(m_child.pid, SIGTERM);
            m_home.wait(m_child);
            m_child.pid = -1;
        }
    }

    std::string url(const std::string& path = "/") const {
        return (m_tls ? "https" : "http") + std::string("://127.0.0.1:") + std::to_string(m_port) + path;
    }
    // Another client at work: curl with the user's password.
    e2e::RunResult curl(const std::vector<std::string>& args) {
        std::vector<std::string> all{"-s", "-S", "-u", "alice:secret", "-w", "\n%{http_code}"};
        if (m_tls) {
            all.insert(all.end(), {"--cacert", certificate().string()});
        }
        all.insert(all.end(), args.begin(), args.end());
        return m_home.run("/usr/bin/curl", all);
    }
    void make_book(const std::string& path) {
        const e2e::RunResult r = curl(
            {"-X", "MKCOL", url(path), "-H", "Content-Type: application/xml", "--data",
             "<?xml version=\"1.0\"?><mkcol xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
             "<set><prop><resourcetype><collection/><C:addressbook/></resourcetype></prop></set></mkcol>"});
        ASSERT_TRUE(r.out.ends_with("201")) << r.out << r.err;
    }
    size_t cards_stored(const std::string& book) const {
        std::error_code ignored;
        const fs::path folder = m_home.root() / "store" / "collection-root" / "alice" / book;
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder, ignored)) {
            count += entry.path().extension() == ".vcf";
        }
        return count;
    }

private:
    e2e::Home m_home;
    int m_port;
    bool m_tls;
    e2e::Child m_child;
};

}  // namespace test_support
