#include "ui/wizard/layout/page_items.h"

#include <cstddef>
#include <cstring>

namespace setup {

bool isTextItem(std::uint32_t type) {
    return type == fmt::kItemText || type == fmt::kItemRequiredSpaceText ||
           (type >= fmt::kItemDesktopCheckBox && type <= fmt::kItemPreset3Radio);
}

bool isValueItem(std::uint32_t type) {
    return type == fmt::kItemImage || type == fmt::kItemSpaceAbove ||
           type == fmt::kItemIndentLeft || type == fmt::kItemIndentRight;
}

bool PageItemReader::next(PageItemView& item) {
    item = PageItemView{};
    if (next_ == nullptr || next_ >= end_) return false;
    const std::size_t room = static_cast<std::size_t>(end_ - next_);
    if (room < sizeof(fmt::PageItem)) return false;
    fmt::PageItem head;
    std::memcpy(&head, next_, sizeof head);
    if (head.type == fmt::kItemEnd) return false;
    if (head.dataSize > room - sizeof head) return false;

    const std::uint8_t* data = next_ + sizeof head;
    next_ = data + head.dataSize;
    item.type = head.type;
    item.flags = head.flags;
    if (isTextItem(head.type)) {
        const void* terminator = std::memchr(data, '\0', head.dataSize);
        if (terminator != nullptr) item.text = reinterpret_cast<const char*>(data);
    } else if (isValueItem(head.type) && head.dataSize >= sizeof(std::int32_t)) {
        std::memcpy(&item.value, data, sizeof item.value);
        item.hasValue = true;
    }
    return true;
}

}  // namespace setup
