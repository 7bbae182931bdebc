#include "engine/paths/expand_path.h"

#include <cstring>

#include "base/process_state.h"

namespace setup {

namespace {

// Appends to a fixed buffer and silently drops what does not fit; the last
// byte is always kept for the terminator.
struct BoundedWriter {
    char* out;
    std::size_t used;

    void put(char c) {
        if (used + 1 < kExpandBufferSize) out[used++] = c;
    }
    void put(const char* text, std::size_t length) {
        std::size_t room = kExpandBufferSize - 1 - used;
        if (length > room) length = room;
        std::memcpy(out + used, text, length);
        used += length;
    }
};

bool startsWith(const char* text, const char* prefix, std::size_t length) {
    return std::strncmp(text, prefix, length) == 0;
}

ExpandRing processRing;

}  // namespace

const char* expandPathInto(ExpandRing& ring, const char* text, const char* destinationDir,
                           char drive) {
    static constexpr char kDollar[] = "$$";
    static constexpr char kExtrPath[] = "$(ExtrPath)";
    static constexpr char kBootDrive[] = "$(BootDrive)";

    ring.index = (ring.index + 1) % kExpandRingSize;
    BoundedWriter writer{ring.buffers[ring.index], 0};

    while (*text != '\0') {
        const char* dollar = std::strchr(text, '$');
        if (dollar == nullptr) {
            writer.put(text, std::strlen(text));
            break;
        }
        writer.put(text, static_cast<std::size_t>(dollar - text));
        text = dollar;
        if (startsWith(text, kDollar, sizeof kDollar - 1)) {
            writer.put('$');
            text += sizeof kDollar - 1;
        } else if (startsWith(text, kExtrPath, sizeof kExtrPath - 1)) {
            writer.put(destinationDir, std::strlen(destinationDir));
            text += sizeof kExtrPath - 1;
        } else if (startsWith(text, kBootDrive, sizeof kBootDrive - 1)) {
            writer.put(drive);
            text += sizeof kBootDrive - 1;
        } else {
            writer.put('$');
            text += 1;
        }
    }
    writer.out[writer.used] = '\0';
    return writer.out;
}

const char* expandPath(const char* text) {
    return expandPathInto(processRing, text, installDir, bootDrive);
}

}  // namespace setup
