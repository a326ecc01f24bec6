#pragma once
// The far end of a SIP call in tests: a real baresip on loopback with its own folder, driven
// over its control connection the way the program drives its own. Audio comes from the sine
// source, so no sound card is needed.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/sip_control.h"
#include "tests/support/eventually.h"

extern char** environ;

namespace test_support {

inline bool baresip_installed() {
    return ::access("/usr/bin/baresip", X_OK) == 0;
}

inline bool port_free(uint16_t port, int type) {
    const int fd = ::socket(AF_INET, type, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return free;
}

// A SIP port whose next port (TLS) is free as well, over UDP and TCP; never other's pair,
// which may be chosen but not yet taken.
inline uint16_t free_sip_port(uint16_t other = 0) {
    std::mt19937 random(
        static_cast<unsigned>(::getpid()) ^
        static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    for (int tries = 0; tries < 200; ++tries) {
        const auto port = static_cast<uint16_t>(20000 + 2 * (random() % 15000));
        if (port != other && port + 1 != other && port != other + 1 &&
            port_free(port, SOCK_DGRAM) && port_free(port, SOCK_STREAM) &&
            port_free(static_cast<uint16_t>(port + 1), SOCK_STREAM) &&
            port_free(static_cast<uint16_t>(port + 1), SOCK_DGRAM)) {
            return port;
        }
    }
    return 0;
}

class SipPeer {
public:
    // baresip in folder as user@127.0.0.1:sip_port, registering nowhere.
    SipPeer(const std::filesystem::path& folder, const std::string& user, uint16_t sip_port)
        : m_folder(folder) {
        std::filesystem::create_directories(folder);
        const uint16_t control = free_sip_port();
        std::ofstream(folder / "config")
            << "poll_method epoll\n"
            << "sip_listen 127.0.0.1:" << sip_port << "\n"
            << "call_local_timeout 120\n"
            << "audio_source ausine,440\nausrc_srate 48000\nausrc_channels 2\n"
            << "audio_player aufile," << (folder / "heard.wav").string() << "\n"
            << "audio_alert aufile," << (folder / "alert.wav").string() << "\n"
            << "module_path /usr/lib/baresip/modules\n"
            << "module g711.so\nmodule ausine.so\nmodule aufile.so\n"
            << "module_tmp account.so\nmodule_app menu.so\nmodule_app ctrl_tcp.so\n"
            << "ctrl_tcp_listen 127.0.0.1:" << control << "\n";
        std::ofstream(folder / "accounts")
            << "<sip:" << user << "@127.0.0.1:" << sip_port << ">;regint=0\n";
        const std::string log = (folder / "peer.log").string();
        const std::string config = folder.string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const char* argv[] = {"/usr/bin/baresip", "-f", config.c_str(), nullptr};
        if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            m_pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (m_pid <= 0) {
            return;
        }
        eventually(
            [&] {
                const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in address{};
                address.sin_family = AF_INET;
                address.sin_port = htons(control);
                address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
                    m_fd = fd;
                    return true;
                }
                ::close(fd);
                return false;
            },
            std::chrono::seconds(10));
        if (m_fd >= 0) {
            m_reader = std::thread([this] { read_events(); });
        }
    }

    ~SipPeer() {
        m_stop = true;
        if (m_reader.joinable()) {
            m_reader.join();
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    SipPeer(const SipPeer&) = delete;
    SipPeer& operator=(const SipPeer&) = delete;

    bool ok() const { return m_fd >= 0; }
    std::string log() const {
        std::ifstream in(m_folder / "peer.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void send(const std::string& command, const std::string& params = {}) {
        const std::string bytes = platform::sip::netstring(
            platform::sip::command_json(command, params, std::to_string(++m_token)));
        [[maybe_unused]] const ssize_t n = ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }

    // Waits for the first event of type (with param, when given) after the one at index from;
    // its index, or -1 when none came in time.
    int wait_event(const std::string& type, const std::string& param = {}, size_t from = 0,
                   std::chrono::seconds timeout = std::chrono::seconds(20)) {
        int found = -1;
        eventually(
            [&] {
                std::lock_guard lock(m_mutex);
                for (size_t i = from; i < m_events.size(); ++i) {
                    if (m_events[i].type == type && (param.empty() || m_events[i].param == param)) {
                        found = static_cast<int>(i);
                        return true;
                    }
                }
                return false;
            },
            timeout);
        return found;
    }

    size_t event_count() const {
        std::lock_guard lock(m_mutex);
        return m_events.size();
    }
    std::vector<platform::sip::Message> events() const {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    void read_events() {
        platform::sip::NetstringReader reader;
        char buffer[4096];
        while (!m_stop) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) {
                continue;
            }
            const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
            if (n <= 0) {
                return;
            }
            reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
            while (std::optional<std::string> body = reader.next()) {
                if (auto message = platform::sip::parse_message(*body);
                    message && message->kind == platform::sip::Message::Kind::event) {
                    std::lock_guard lock(m_mutex);
                    m_events.push_back(*message);
                }
            }
        }
    }

    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    int m_fd = -1;
    int m_token = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_reader;
    mutable std::mutex m_mutex;
    std::vector<platform::sip::Message> m_events;
};

}  // namespace test_support
