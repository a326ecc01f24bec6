#pragma once
// PhoneManager: every call the program starts. Ordinary numbers go to the phone's make-call
// function, which asks the stock phone program to dial; numbers that begin with '*' are
// supplementary-service codes sent over the open voice line.

#include <cstdint>

#include "contacts/document.h"
#include "platform/ustring.h"

namespace velvane {

class PhoneManager {
public:
    // The line, when there is one, is the document's.
    explicit PhoneManager(Document& document);

    // The USSD send's result for a '*' code (0 when no line could be opened), else whether
    // the phone accepted the number (1) or not (0).
    int32_t call_number(WStringView number);

    // Places the call through the phone's make-call function; true when it was accepted.
    static bool make_call(WStringView number);

private:
    Document& m_document;
};

}  // namespace velvane
