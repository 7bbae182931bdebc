#include "uninstaller/removal/removal_report.h"

#include "base/bounded_text.h"

namespace uninstaller {

const char* rootName(std::uint32_t root) {
    return root == fmt::kRootCurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

void RemovalReport::add(fmt::u8 kind, std::uint32_t root, const char* text) {
    if (count_ == kCapacity || text == nullptr) return;
    items_[count_++] = LeftItem{kind, root, text};
}

const char* RemovalReport::keepText(const char* text) {
    if (keptCount_ == kKeptTexts) return nullptr;
    char* copy = kept_[keptCount_++];
    setup::copyBounded(copy, kKeptTextSize, text);
    return copy;
}

void RemovalReport::dropGone(fmt::u8 kind, bool (*isGone)(const LeftItem&)) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count_; ++i)
        if (items_[i].kind != kind || !isGone(items_[i])) items_[kept++] = items_[i];
    count_ = kept;
}

std::size_t RemovalReport::count(fmt::u8 kind) const {
    std::size_t found = 0;
    for (std::size_t i = 0; i < count_; ++i)
        if (items_[i].kind == kind) ++found;
    return found;
}

namespace {

// Appends to a text while remembering where it ends, so that a long list
// costs no more than its length.
class TextAppender {
public:
    TextAppender(char* out, std::size_t size) : out_(out), size_(size) { out_[0] = '\0'; }
    void append(const char* text) {
        fits_ = setup::copyBounded(out_ + used_, size_ - used_, text) && fits_;
        while (out_[used_] != '\0') ++used_;
    }
    bool empty() const { return used_ == 0; }
    bool fits() const { return fits_; }

private:
    char* out_;
    std::size_t size_;
    std::size_t used_ = 0;
    bool fits_ = true;
};

}  // namespace

bool RemovalReport::formatDetails(const char* filesHeading, const char* foldersHeading,
                                  const char* keysHeading, char* out, std::size_t size) const {
    if (size == 0) return false;
    TextAppender text(out, size);
    const struct {
        fmt::u8 kind;
        const char* heading;
    } lists[] = {{fmt::kLogFile, filesHeading}, {fmt::kLogFolder, foldersHeading},
                 {fmt::kLogRegistryKey, keysHeading}};
    for (const auto& list : lists) {
        if (count(list.kind) == 0) continue;
        if (!text.empty()) text.append("\r\n");
        text.append(list.heading);
        for (std::size_t i = 0; i < count_; ++i) {
            const LeftItem& item = items_[i];
            if (item.kind != list.kind) continue;
            text.append("\r\n");
            if (item.kind == fmt::kLogRegistryKey) {
                text.append(rootName(item.root));
                text.append("\\");
            }
            text.append(item.text);
        }
        text.append("\r\n");
    }
    return text.fits();
}

}  // namespace uninstaller
