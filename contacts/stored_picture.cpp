#include "contacts/stored_picture.h"

#include <memory>

#include "contacts/contact.h"
#include "platform/pim_item.h"
#include "platform/pim_stream.h"

namespace velvane {

namespace pim = platform::pim;

std::string read_stored_picture(pim::PimSession& session, uint32_t object_id) {
    std::unique_ptr<pim::PimItem> item;
    std::unique_ptr<pim::PimStream> stream;
    if (session.item_from_oid(object_id, item) != pim::kOk ||
        item->open_property(property::kPicture, pim::kStreamRead, stream) != pim::kOk) {
        return {};
    }
    std::string bytes;
    char block[4096];
    size_t got = 0;
    while (stream->read(block, sizeof block, got) == pim::kOk && got > 0) {
        bytes.append(block, got);
    }
    return bytes.size() > 1 ? bytes : std::string();
}

bool write_stored_picture(pim::PimSession& session, uint32_t object_id, const std::string& bytes) {
    std::unique_ptr<pim::PimItem> item;
    std::unique_ptr<pim::PimStream> stream;
    const std::string data = bytes.empty() ? std::string(1, '\0') : bytes;
    return session.item_from_oid(object_id, item) == pim::kOk &&
           item->open_property(property::kPicture, pim::kStreamWrite, stream) == pim::kOk &&
           stream->write(data.data(), data.size()) == pim::kOk && stream->commit() == pim::kOk &&
           item->save() == pim::kOk;
}

}  // namespace velvane
