#include "platform/phone_engine.h"

#include <cstdio>
#include <mutex>

#include "platform/phone_call.h"

namespace platform {

namespace {

std::mutex g_mutex;
std::shared_ptr<PhoneEngine> g_engine;
// Whatever placed calls before the first engine came, so it comes back when the engine goes.
MakeCallFunction g_saved_make_call;

bool make_call_through_engine(WStringView number) {
    std::shared_ptr<PhoneEngine> engine = current_phone_engine();
    return engine && engine->make_call(number);
}

}  // namespace

std::shared_ptr<PhoneEngine> current_phone_engine() {
    std::lock_guard lock(g_mutex);
    return g_engine;
}

std::shared_ptr<PhoneEngine> set_current_phone_engine(std::shared_ptr<PhoneEngine> engine) {
    std::lock_guard lock(g_mutex);
    const bool had = g_engine != nullptr;
    if (engine && !had) {
        g_saved_make_call = set_make_call_function(make_call_through_engine);
    } else if (!engine && had) {
        set_make_call_function(std::move(g_saved_make_call));
        g_saved_make_call = nullptr;
    }
    std::swap(g_engine, engine);
    return engine;
}

std::string call_state_name(uint32_t state) {
    switch (state) {
        case LINECALLSTATE_IDLE:
            return "IDLE";
        case LINECALLSTATE_OFFERING:
            return "OFFERING";
        case LINECALLSTATE_ACCEPTED:
            return "ACCEPTED";
        case LINECALLSTATE_DIALTONE:
            return "DIALTONE";
        case LINECALLSTATE_DIALING:
            return "DIALING";
        case LINECALLSTATE_RINGBACK:
            return "RINGBACK";
        case LINECALLSTATE_BUSY:
            return "BUSY";
        case LINECALLSTATE_SPECIALINFO:
            return "SPECIALINFO";
        case LINECALLSTATE_CONNECTED:
            return "CONNECTED";
        case LINECALLSTATE_PROCEEDING:
            return "PROCEEDING";
        case LINECALLSTATE_ONHOLD:
            return "ONHOLD";
        case LINECALLSTATE_DISCONNECTED:
            return "DISCONNECTED";
        case LINECALLSTATE_UNKNOWN:
            return "UNKNOWN";
        default:
            break;
    }
    char text[16];
    std::snprintf(text, sizeof(text), "0x%X", state);
    return text;
}

}  // namespace platform
