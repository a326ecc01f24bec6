#include "platform/pim_stream.h"

#include <algorithm>
#include <cstring>

#include "platform/pim_item.h"

namespace platform::pim {

Code PimStream::read(void* buffer, size_t size, size_t& got) {
    got = 0;
    if (m_writing) {
        return kAccessDenied;
    }
    got = std::min(size, m_bytes.size() - m_position);
    if (got > 0) {
        std::memcpy(buffer, m_bytes.data() + m_position, got);
        m_position += got;
    }
    return kOk;
}

Code PimStream::write(const void* buffer, size_t size) {
    if (!m_writing) {
        return kAccessDenied;
    }
    if (size > kMaxSize - m_bytes.size()) {
        return kOutOfMemory;
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return kOk;
}

Code PimStream::commit() {
    if (!m_writing) {
        return kAccessDenied;
    }
    m_item->hold_picture(m_bytes);
    return kOk;
}

}  // namespace platform::pim
