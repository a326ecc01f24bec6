#include "platform/phone_engine_sip.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <set>

#include "platform/files.h"
#include "platform/phone_engine_control.h"

extern char** environ;

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr size_t kMaxClosedIds = 16;
constexpr size_t kMaxName = 64;
constexpr size_t kMaxSettingBytes = 512;
constexpr size_t kMaxPasswordBytes = 256;
// How often the supervisor looks at the agent and the calls' deadlines.
constexpr int kTickMs = 200;
constexpr int kConnectRetryMs = 50;
constexpr int kStopGraceMs = 1000;

constexpr uint32_t kUnansweredStates =
    LINECALLSTATE_DIALING | LINECALLSTATE_PROCEEDING | LINECALLSTATE_RINGBACK;

// Whether an event's peer is the address dialled; bare digits were completed by the agent
// with its account's domain.
bool same_peer(const std::string& peer_uri, const std::string& dialled) {
    if (peer_uri.empty() || dialled.empty() || peer_uri == dialled) {
        return true;
    }
    return dialled.find('@') == std::string::npos && peer_uri.starts_with("sip:" + dialled + "@");
}

// A setting goes into a configuration line as it is: one line, no control characters.
bool one_line(std::string_view text) {
    return text.size() <= kMaxSettingBytes && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
}

// "alsa,default" -> "alsa"; empty when the module name is not a plain word.
std::string module_of(std::string_view device) {
    const std::string name(device.substr(0, device.find(',')));
    const bool plain = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    });
    return plain ? name : std::string();
}

bool write_private_file(const std::string& path, const std::string& text, std::string& error) {
    // Made owner-only before anything is written into it; the password may be in it.
    const std::string temporary = path + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(fd, 0600);
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = temporary + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temporary.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

// The program's full path: a child after fork may only call what is safe there, and a PATH
// search is not.
std::string find_program(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
    }
    const char* path = ::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        const std::string candidate = std::string(folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    }
    return {};
}

uint16_t free_loopback_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(address);
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

std::string exit_text(int status) {
    if (WIFEXITED(status)) {
        return "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "ended by signal " + std::to_string(WTERMSIG(status));
    }
    return "ended";
}

void stop_child(pid_t pid) {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGTERM);
    const auto until = SteadyClock::now() + std::chrono::milliseconds(kStopGraceMs);
    while (SteadyClock::now() < until) {
        if (::waitpid(pid, nullptr, WNOHANG) == pid) {
            return;
        }
        ::usleep(20 * 1000);
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

struct SipPhoneEngine::SipCall : Call {
    std::string sip_id;  // the agent's id, once it named one
    std::string uri;     // what an outgoing call dialled
    SteadyClock::time_point placed{};
};

SipPhoneEngine::SipPhoneEngine(Options options)
    // Digits go to the agent as DTMF: a SIP line has no pulse dialling.
    : PhoneLine({.first_handle = 0x20001,
                 .withheld_caller_flags = LINECALLPARTYID_UNAVAIL,
                 .digit_modes = LINEDIGITMODE_DTMF,
                 .history_file = options.history_file}),
      m_options(std::move(options)) {
    if (m_options.folder.empty()) {
        const WString runtime = runtime_folder();
        m_options.folder = runtime.empty() ? std::string() : native_path(runtime) + "/sip";
    }
    if (::pipe2(m_wake_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake_pipe[0] = m_wake_pipe[1] = -1;
    }
    m_supervisor = NativeThread::start([this] { supervise(); });
}

SipPhoneEngine::~SipPhoneEngine() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_wake_pipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake_pipe[1], &byte, 1);
    }
    if (m_supervisor) {
        m_supervisor->join();
    }
    for (int& fd : m_wake_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void SipPhoneEngine::log_line(const std::string& text) const {
    if (!m_options.log) {
        return;
    }
    // Much of it is the agent's text: one line, no control characters.
    std::string line = text;
    std::replace_if(
        line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    while (!line.empty() && line.back() == ' ') {
        line.pop_back();
    }
    m_options.log(line);
}

// --- Calls as the agent knows them -----------------------------------------------------

SipPhoneEngine::SipCall* SipPhoneEngine::find_sip_call_locked(const std::string& id) {
    if (id.empty()) {
        return nullptr;
    }
    for (auto& [handle, call] : m_calls) {
        if (auto& sip_call = static_cast<SipCall&>(*call); sip_call.sip_id == id) {
            return &sip_call;
        }
    }
    return nullptr;
}

SipPhoneEngine::Call* SipPhoneEngine::live_call_locked() {
    for (auto& [handle, call] : m_calls) {
        if (!call->ended) {
            return call.get();
        }
    }
    return nullptr;
}

SipPhoneEngine::SipCall& SipPhoneEngine::new_call_locked(bool outgoing, WString number,
                                                         WString name, uint32_t state) {
    auto entry = std::make_unique<SipCall>();
    entry->outgoing = outgoing;
    entry->number = std::move(number);
    entry->name = std::move(name);
    entry->state = state;
    entry->placed = SteadyClock::now();
    m_muted = false;
    return static_cast<SipCall&>(add_call_locked(std::move(entry)));
}

void SipPhoneEngine::call_ended_locked(Call& call) {
    // The agent reports the end of a call we ended ourselves as well; its id must not be
    // taken for the next call.
    if (const std::string& id = static_cast<SipCall&>(call).sip_id; !id.empty()) {
        m_closed_ids.push_back(id);
        if (m_closed_ids.size() > kMaxClosedIds) {
            m_closed_ids.pop_front();
        }
    }
}

void SipPhoneEngine::line_trouble(const std::string& text) const {
    log_line("SipPhoneEngine: " + text);
}

bool SipPhoneEngine::send_locked(const std::string& command, const std::string& params) {
    if (m_control < 0) {
        return false;
    }
    const std::string token = std::to_string(m_next_token++);
    const std::string bytes = sip::netstring(sip::command_json(command, params, token));
    size_t done = 0;
    while (done < bytes.size()) {
        // Never blocks: the screens call in here, and an agent that stopped reading must not
        // stop them.
        const ssize_t n = ::send(m_control, bytes.data() + done, bytes.size() - done,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            log_line("SipPhoneEngine: " + command + " not sent: " + std::strerror(errno));
            return false;
        }
        done += static_cast<size_t>(n);
    }
    m_pending[token] = command;
    // Answers that never come must not pile up.
    while (m_pending.size() > 64) {
        m_pending.erase(m_pending.begin());
    }
    return true;
}

// --- What the agent says ----------------------------------------------------------------

void SipPhoneEngine::on_message(const sip::Message& message) {
    std::lock_guard lock(m_mutex);
    if (message.kind == sip::Message::Kind::event) {
        on_event_locked(message);
    } else if (message.kind == sip::Message::Kind::response) {
        on_response_locked(message);
    }
}

void SipPhoneEngine::on_event_locked(const sip::Message& event) {
    const std::string& type = event.type;
    if (type == "REGISTER_OK" || type == "REGISTER_FAIL" || type == "UNREGISTERING") {
        const std::string now = type == "REGISTER_OK"     ? "registered"
                                : type == "UNREGISTERING" ? "not registered"
                                                          : "refused: " + event.param;
        if (now != m_registration) {
            m_registration = now;
            log_line("SipPhoneEngine: registration " + now.substr(0, 200));
        }
        return;
    }
    if (event.event_class != "call") {
        return;
    }
    if (type == "CALL_INCOMING") {
        if (find_sip_call_locked(event.id) != nullptr) {
            return;
        }
        if (live_call_locked() != nullptr) {
            // The agent takes one call at a time; one more would not be ours to follow.
            log_line("SipPhoneEngine: second call from " + event.peer_uri.substr(0, 200) +
                     " while one is going on");
            return;
        }
        WString name = from_utf8(event.peer_name);
        if (name.size() > kMaxName) {
            name.resize(kMaxName);
        }
        SipCall& call =
            new_call_locked(false, sip::peer_number(event.peer_uri), name, LINECALLSTATE_OFFERING);
        call.sip_id = event.id;
        return;
    }
    // A call ended here may still be reported by the agent after we forgot it; it must not be
    // taken for the next one.
    if (std::find(m_closed_ids.begin(), m_closed_ids.end(), event.id) != m_closed_ids.end()) {
        return;
    }
    SipCall* call = find_sip_call_locked(event.id);
    if (call == nullptr && event.direction == "outgoing" && !event.id.empty()) {
        // The agent names our outgoing call in its first event about it.
        for (auto& [handle, entry] : m_calls) {
            auto& candidate = static_cast<SipCall&>(*entry);
            if (candidate.outgoing && !candidate.ended && candidate.sip_id.empty() &&
                same_peer(event.peer_uri, candidate.uri)) {
                candidate.sip_id = event.id;
                call = &candidate;
                break;
            }
        }
    }
    if (call == nullptr || call->ended) {
        return;
    }
    const std::vector<LineStep> steps = sip::line_steps(event, call->state);
    if (type == "CALL_CLOSED") {
        log_line("SipPhoneEngine: call " + std::to_string(call->handle) +
                 " ended: " + event.param.substr(0, 200));
        end_call_locked(*call, steps);
        return;
    }
    for (const LineStep& step : steps) {
        set_state_locked(*call, step.state, step.mode);
    }
}

void SipPhoneEngine::on_response_locked(const sip::Message& response) {
    auto found = m_pending.find(response.token);
    if (found == m_pending.end()) {
        return;
    }
    const std::string command = found->second;
    m_pending.erase(found);
    if (response.ok) {
        if (command == "reginfo") {
            // "> sip:me@example.org  OK  Expires 3600s" per account; nothing for one that
            // registers nowhere.
            const std::string now = response.data.find("ERR") != std::string::npos ? "refused"
                                    : response.data.find("OK") != std::string::npos
                                        ? "registered"
                                        : m_registration;
            if (now != m_registration && !m_registration.starts_with(now)) {
                m_registration = now;
                log_line("SipPhoneEngine: registration " + now);
            }
        }
        if (command == "auplay" && response.data.starts_with("no such")) {
            // The agent answers "ok" even when it has no such player.
            log_line("SipPhoneEngine: loudspeaker not switched: " + response.data.substr(0, 200));
        }
        if (command == "mute") {
            m_muted = response.data.find("un-muted") == std::string::npos;
        }
        return;
    }
    log_line("SipPhoneEngine: " + command + " refused: " + response.data.substr(0, 200));
    if (command == "dial") {
        for (auto& [handle, call] : m_calls) {
            if (call->outgoing && !call->ended && static_cast<SipCall&>(*call).sip_id.empty()) {
                // Ending it may forget it: the loop goes no further.
                end_call_locked(*call, LINEDISCONNECTMODE_BADADDRESS);
                break;
            }
        }
    }
}

void SipPhoneEngine::check_deadlines_locked() {
    const auto now = SteadyClock::now();
    const auto limit = std::chrono::milliseconds(m_options.answer_timeout_ms);
    std::vector<Call*> unanswered;
    for (auto& [handle, call] : m_calls) {
        if (call->outgoing && !call->ended && (call->state & kUnansweredStates) != 0 &&
            now - static_cast<SipCall&>(*call).placed >= limit) {
            unanswered.push_back(call.get());
        }
    }
    for (Call* call : unanswered) {
        log_line("SipPhoneEngine: no answer from " + to_utf8(call->number) + " after " +
                 std::to_string(m_options.answer_timeout_ms / 1000) + " s");
        send_locked("hangup");
        end_call_locked(*call, LINEDISCONNECTMODE_NOANSWER);
    }
}

void SipPhoneEngine::lost_agent_locked(const std::string& why) {
    std::vector<Call*> live;
    for (auto& [handle, call] : m_calls) {
        if (!call->ended) {
            live.push_back(call.get());
        }
    }
    for (Call* call : live) {
        log_line("SipPhoneEngine: call " + std::to_string(call->handle) +
                 " ended, the user agent went away: " + why);
        end_call_locked(*call, LINEDISCONNECTMODE_UNAVAIL);
    }
    m_pending.clear();
}

// --- The user agent's life --------------------------------------------------------------

bool SipPhoneEngine::write_configuration(std::string& error) {
    const Options& o = m_options;
    if (o.folder.empty()) {
        error = "no runtime folder for the configuration";
        return false;
    }
    for (const std::string* setting : {&o.account, &o.listen, &o.dial_domain, &o.audio_source,
                                       &o.audio_player, &o.loudspeaker_player, &o.module_path}) {
        if (!one_line(*setting)) {
            error = "a setting holds a line break or control characters: " + setting->substr(0, 40);
            return false;
        }
    }
    // The account line ends a value at a blank or a semicolon and takes quotes literally.
    if (o.password.size() > kMaxPasswordBytes || !one_line(o.password) ||
        o.password.find_first_of(" ;\"") != std::string::npos) {
        error =
            "the password holds a blank, a semicolon or a quote, which an account line "
            "cannot carry";
        return false;
    }
    if (::mkdir(o.folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = o.folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(o.folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid()) {
        error = o.folder + ": not a folder of this user";
        return false;
    }
    ::chmod(o.folder.c_str(), 0700);

    std::string config;
    config += "poll_method\t\tepoll\n";
    if (!o.listen.empty()) {
        config += "sip_listen\t\t" + o.listen + "\n";
    }
    // One call at a time: the line follows one, and the agent refuses another as busy.
    config += "call_max_calls\t\t1\n";
    config += "call_local_timeout\t120\n";
    config += "audio_source\t\t" + o.audio_source + "\n";
    config += "audio_player\t\t" + o.audio_player + "\n";
    config += "audio_alert\t\t" + o.audio_player + "\n";
    if (module_of(o.audio_source) == "ausine") {
        // The sine source makes 48 kHz stereo only.
        config += "ausrc_srate\t\t48000\nausrc_channels\t\t2\n";
    }
    if (!o.module_path.empty()) {
        config += "module_path\t\t" + o.module_path + "\n";
    }
    config += "module\t\t\tg711.so\n";
    std::set<std::string> devices;
    for (const std::string* device : {&o.audio_source, &o.audio_player, &o.loudspeaker_player}) {
        if (const std::string module = module_of(*device); !module.empty()) {
            devices.insert(module);
        }
    }
    for (const std::string& module : devices) {
        config += "module\t\t\t" + module + ".so\n";
    }
    config += "module_tmp\t\taccount.so\n";
    config += "module_app\t\tmenu.so\n";
    config += "module_app\t\tctrl_tcp.so\n";
    config += "ctrl_tcp_listen\t\t127.0.0.1:" + std::to_string(m_port) + "\n";

    std::string account = o.account;
    if (account.empty()) {
        // Direct calls only: an address on the listen address that registers nowhere.
        const std::string host = o.listen.empty() ? "127.0.0.1" : o.listen;
        account = "<sip:velvane@" + host + ">;regint=0";
    }
    if (!o.password.empty() && account.find("auth_pass=") == std::string::npos) {
        account += ";auth_pass=" + o.password;
    }
    return write_private_file(o.folder + "/config", config, error) &&
           write_private_file(o.folder + "/accounts", account + "\n", error);
}

void SipPhoneEngine::supervise() {
    uint32_t delay = m_options.restart_delay_ms;
    while (true) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) {
                break;
            }
        }
        bool served = false;
        run_agent(served);
        if (served) {
            delay = m_options.restart_delay_ms;
        }
        std::unique_lock lock(m_mutex);
        if (m_stopping) {
            break;
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(delay), [this] { return m_stopping; });
        delay = std::min(delay * 2, m_options.max_restart_delay_ms);
    }
}

bool SipPhoneEngine::run_agent(bool& served) {
    const auto set_state = [this](const std::string& state) {
        std::lock_guard lock(m_mutex);
        if (state != m_agent_state) {
            m_agent_state = state;
            log_line("SipPhoneEngine: user agent " + state);
        }
    };
    // A free port is looked for at each start: the last one may have been taken meanwhile.
    m_port = m_options.control_port != 0 ? m_options.control_port : free_loopback_port();
    const uint16_t port = m_port;
    std::string error;
    const bool written = port != 0 && write_configuration(error);
    if (port == 0) {
        error = "no free loopback port for the control connection";
    }
    if (!written) {
        set_state("cannot start: " + error);
        return false;
    }
    const std::string program = find_program(m_options.program);
    if (program.empty()) {
        set_state("cannot start: " + m_options.program + " not found");
        return false;
    }
    const std::string log_file = m_options.folder + "/agent.log";
    std::vector<std::string> words{program, "-f", m_options.folder};
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        set_state(std::string("cannot start: fork: ") + std::strerror(errno));
        return false;
    }
    if (pid == 0) {
        // Only what is safe between fork and exec. The agent ends with us, even when we are
        // killed without a chance to stop it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        const int null = ::open("/dev/null", O_RDONLY);
        const int out = ::open(log_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
        }
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }

    std::string why;
    int child_status = 0;
    bool child_gone = false;
    const auto child_ended = [&] {
        if (!child_gone && ::waitpid(pid, &child_status, WNOHANG) == pid) {
            child_gone = true;
        }
        return child_gone;
    };

    // The agent listens once it has read its configuration.
    int fd = -1;
    const auto give_up = SteadyClock::now() + std::chrono::milliseconds(m_options.start_timeout_ms);
    while (fd < 0) {
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping) {
                break;
            }
        }
        if (child_ended()) {
            why = "cannot start: " + exit_text(child_status) + " (see " + log_file + ")";
            break;
        }
        const int attempt = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (attempt >= 0 &&
            ::connect(attempt, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            fd = attempt;
            break;
        }
        if (attempt >= 0) {
            ::close(attempt);
        }
        if (SteadyClock::now() >= give_up) {
            why = "cannot start: no control connection after " +
                  std::to_string(m_options.start_timeout_ms) + " ms";
            break;
        }
        ::usleep(kConnectRetryMs * 1000);
    }

    if (fd >= 0) {
        {
            std::lock_guard lock(m_mutex);
            m_control = fd;
            m_agent_pid = pid;
        }
        set_state("running");
        served = true;
        {
            // The first registration may be over before we are connected; ask how it went.
            std::lock_guard lock(m_mutex);
            send_locked("reginfo");
        }
        sip::NetstringReader reader;
        char buffer[4096];
        while (why.empty()) {
            pollfd fds[2] = {{fd, POLLIN, 0}, {m_wake_pipe[0], POLLIN, 0}};
            const int ready = ::poll(fds, m_wake_pipe[0] >= 0 ? 2 : 1, kTickMs);
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping) {
                    why = "stopped";
                    break;
                }
                check_deadlines_locked();
            }
            if (ready < 0 && errno != EINTR) {
                why = std::string("poll: ") + std::strerror(errno);
                break;
            }
            if (ready > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
                if (n == 0) {
                    why = "the control connection was closed";
                    break;
                }
                if (n < 0 && errno != EINTR && errno != EAGAIN) {
                    why = std::string("the control connection failed: ") + std::strerror(errno);
                    break;
                }
                if (n > 0) {
                    reader.feed(std::string_view(buffer, static_cast<size_t>(n)));
                    while (std::optional<std::string> body = reader.next()) {
                        if (std::optional<sip::Message> message = sip::parse_message(*body)) {
                            on_message(*message);
                        } else {
                            log_line("SipPhoneEngine: a message that is not JSON was left out");
                        }
                    }
                    if (reader.broken()) {
                        why = "the control connection sent something that is not a netstring";
                        break;
                    }
                }
            }
            if (child_ended()) {
                why = "the user agent " + exit_text(child_status);
            }
        }
        std::lock_guard lock(m_mutex);
        m_control = -1;
        m_agent_pid = 0;
        ::close(fd);
        // Calls the agent still had are over for us: without the control connection nobody
        // could end or follow them.
        lost_agent_locked(why);
    }
    if (!child_gone) {
        stop_child(pid);
    }
    set_state(why.empty() ? "stopped" : why);
    return fd >= 0;
}

// --- Line operations --------------------------------------------------------------------

int32_t SipPhoneEngine::line_answer(CallHandle handle) {
    std::lock_guard lock(m_mutex);
    const Call* call = find_call_locked(handle);
    if (call == nullptr) {
        return LINEERR_INVALCALLHANDLE;
    }
    if (call->state != LINECALLSTATE_OFFERING) {
        return LINEERR_INVALCALLSTATE;
    }
    return send_locked("accept") ? LINE_OK : LINEERR_RESOURCEUNAVAIL;
}

void SipPhoneEngine::hang_up_locked(Call&) {
    send_locked("hangup");
}

bool SipPhoneEngine::hold_call_locked(Call&, bool hold) {
    return send_locked(hold ? "hold" : "resume");
}

bool SipPhoneEngine::send_digits_locked(Call&, WStringView digits) {
    for (const char16_t digit : digits) {
        if (!send_locked("sndcode", std::string(1, static_cast<char>(digit)))) {
            return false;
        }
    }
    return true;
}

int32_t SipPhoneEngine::cellular_set_mute(uint32_t state) {
    if (state != kMuteOn && state != kMuteOff) {
        return LINEERR_INVALPARAM;
    }
    std::lock_guard lock(m_mutex);
    const Call* call = live_call_locked();
    if (call == nullptr ||
        (call->state != LINECALLSTATE_CONNECTED && call->state != LINECALLSTATE_ONHOLD)) {
        return LINEERR_INVALCALLSTATE;
    }
    const bool mute = state == kMuteOn;
    // The agent only knows "switch over"; it is asked only when that changes something.
    if (mute != m_muted) {
        if (!send_locked("mute")) {
            return LINEERR_RESOURCEUNAVAIL;
        }
        m_muted = mute;
    }
    return LINE_OK;
}

int32_t SipPhoneEngine::cellular_send_ussd(LineHandle, WStringView, uint32_t, uint32_t) {
    // Supplementary-service codes belong to a mobile network; a SIP line has none.
    return LINEERR_OPERATIONUNAVAIL;
}

bool SipPhoneEngine::set_loudspeaker(bool on) {
    if (m_options.loudspeaker_player.empty()) {
        return false;
    }
    std::lock_guard lock(m_mutex);
    return send_locked("auplay", on ? m_options.loudspeaker_player : m_options.audio_player);
}

bool SipPhoneEngine::make_call(WStringView number) {
    const std::string uri = sip::dial_uri(number, m_options.dial_domain);
    if (uri.empty()) {
        log_line("SipPhoneEngine: cannot dial " + to_utf8(number).substr(0, 64));
        return false;
    }
    std::lock_guard lock(m_mutex);
    if (live_call_locked() != nullptr) {
        log_line("SipPhoneEngine: a call is going on, " + uri + " not dialled");
        return false;
    }
    SipCall& call = new_call_locked(true, dialled_number(number), {}, LINECALLSTATE_DIALING);
    call.uri = uri;
    if (!send_locked("dial", uri)) {
        // The screen still learns that the call could not be placed, and why is logged.
        log_line("SipPhoneEngine: no user agent to dial " + uri + " (" + m_agent_state + ")");
        end_call_locked(call, {{LINECALLSTATE_SPECIALINFO, 0},
                               {LINECALLSTATE_DISCONNECTED, LINEDISCONNECTMODE_UNAVAIL},
                               {LINECALLSTATE_IDLE, 0}});
    }
    return true;
}

void SipPhoneEngine::phone_key(uint8_t, bool) {
    // No phone program listens for keys here; answering goes through line_answer.
}

int SipPhoneEngine::agent_pid() const {
    std::lock_guard lock(m_mutex);
    return m_agent_pid;
}

bool SipPhoneEngine::ready() const {
    std::lock_guard lock(m_mutex);
    return m_control >= 0;
}

std::string SipPhoneEngine::status_head_locked() const {
    return "engine sip\nagent " + m_agent_state + "\nregistration " + m_registration + "\n";
}

std::string SipPhoneEngine::status_tail_locked() const {
    return std::string("mute ") + (m_muted ? "on" : "off") + "\n";
}

bool SipPhoneEngine::command(const std::vector<std::string>& words, std::string& reply) {
    if (words.size() == 1 && words[0] == "status") {
        reply = status();
        return true;
    }
    reply = words.empty() ? "no command"
                          : "the SIP phone takes only status; calls come from the network";
    return false;
}

// --- Start and stop ---------------------------------------------------------------------

std::string read_sip_password(const std::string& file, std::string& error) {
    error.clear();
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        if (errno != ENOENT) {
            error = file + ": " + std::strerror(errno);
        }
        return {};
    }
    struct stat info {};
    std::string password;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = file + ": not a plain file";
    } else if ((info.st_mode & 077) != 0) {
        error = file + ": others may read it; make it 0600";
    } else if (info.st_size > static_cast<off_t>(kMaxPasswordBytes)) {
        error = file + ": too long for a password";
    } else {
        char buffer[kMaxPasswordBytes + 1];
        const ssize_t n = ::read(fd, buffer, sizeof(buffer));
        if (n < 0) {
            error = file + ": " + std::strerror(errno);
        } else {
            password.assign(buffer, static_cast<size_t>(n));
            while (!password.empty() && (password.back() == '\n' || password.back() == '\r')) {
                password.pop_back();
            }
        }
    }
    ::close(fd);
    return error.empty() ? password : std::string();
}

std::shared_ptr<SipPhoneEngine> start_sip_phone(SipPhoneEngine::Options options,
                                                std::string& error) {
    auto engine = std::make_shared<SipPhoneEngine>(std::move(options));
    serve_phone_engine(engine, error);
    return engine;
}

}  // namespace platform
