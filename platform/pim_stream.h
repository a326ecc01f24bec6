#pragma once
// A picture property opened for reading or writing.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/pim_types.h"

namespace platform::pim {

class PimItem;

class PimStream {
public:
    // Pictures larger than this are refused.
    static constexpr size_t kMaxSize = 32u << 20;

    // got is 0 at the end.
    Code read(void* buffer, size_t size, size_t& got);
    Code write(const void* buffer, size_t size);
    // Hands the written bytes to the item; its save stores them.
    Code commit();

private:
    friend class PimItem;
    PimStream(PimItem& item, bool writing, std::vector<uint8_t> bytes)
        : m_item(&item), m_writing(writing), m_bytes(std::move(bytes)) {}
    PimItem* m_item;
    bool m_writing;
    std::vector<uint8_t> m_bytes;
    size_t m_position = 0;
};

}  // namespace platform::pim
