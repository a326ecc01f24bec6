// velvane-phone: plays the outside world to the running program's phone: calls that ring,
// the far end answering, hanging up or being busy, and what the phone has seen so far. The
// SIP phone answers status only (its user agent, registration and calls).

#include <cstdio>
#include <string>
#include <vector>

#include "platform/phone_engine_control.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsageError = 2;
constexpr int kNoEngine = 3;

int usage() {
    std::fputs(
        "usage: velvane-phone ring NUMBER [--name NAME]   a call comes in\n"
        "       velvane-phone ring --hidden [--name NAME] a call without caller id\n"
        "       velvane-phone answer                      the far end answers our call\n"
        "       velvane-phone hangup                      the far end ends the call\n"
        "       velvane-phone busy                        the far end is busy\n"
        "       velvane-phone unreachable                 the number cannot be reached\n"
        "       velvane-phone status                      calls, states, digits, requests\n"
        "On the SIP phone only status is taken: the network plays the other side.\n",
        stderr);
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string verb = argv[1];
    if (verb == "-h" || verb == "--help") {
        usage();
        return 0;
    }
    std::vector<std::string> words(argv + 1, argv + argc);
    std::string reply;
    const platform::PhoneSendResult result = platform::send_phone_command("phone", words, reply);
    if (!reply.empty() && reply.back() != '\n') {
        reply.push_back('\n');
    }
    switch (result) {
        case platform::PhoneSendResult::done:
            std::fputs(reply.c_str(), stdout);
            return 0;
        case platform::PhoneSendResult::refused:
            std::fprintf(stderr, "velvane-phone: %s", reply.c_str());
            return kRefused;
        case platform::PhoneSendResult::no_engine:
            break;
    }
    std::fprintf(stderr, "velvane-phone: %s", reply.c_str());
    return kNoEngine;
}
