#include "telephony/phone_manager.h"

#include "core/log.h"
#include "platform/phone_call.h"

namespace velvane {

PhoneManager::PhoneManager(Document& document) : m_document(document) {}

bool PhoneManager::make_call(WStringView number) {
    return platform::make_call(number);
}

int32_t PhoneManager::call_number(WStringView number) {
    LineHandler* phone = m_document.line();
    // The stock phone program takes the screen now; no frames are needed until it is back.
    if (phone != nullptr) {
        phone->rest_frames();
    }
    if (!number.empty() && number.front() == u'*') {
        log() << u"telephone.call " << number << u"\n";
        if (phone == nullptr) {
            return 0;
        }
        if (!phone->line_open()) {
            phone->reset();
            if (!phone->line_open()) {
                return 0;
            }
        }
        return phone->send_ussd(number);
    }
    log() << u"PhoneManager::call_number " << number << u"\n";
    const bool placed = make_call(number);
    m_document.caller_number = WString(number);
    RefreshHint hint;
    hint.caller_changed = true;
    m_document.send(hint);
    return placed ? 1 : 0;
}

}  // namespace velvane
