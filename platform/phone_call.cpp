#include "platform/phone_call.h"

#include <mutex>

namespace platform {

namespace {

std::mutex g_mutex;
MakeCallFunction g_make_call;

}  // namespace

MakeCallFunction set_make_call_function(MakeCallFunction function) {
    std::lock_guard lock(g_mutex);
    std::swap(g_make_call, function);
    return function;
}

bool make_call(WStringView number) {
    MakeCallFunction function;
    {
        std::lock_guard lock(g_mutex);
        function = g_make_call;
    }
    return function ? function(number) : false;
}

}  // namespace platform
