// The uninstall log as removal reads it: a log file from disk (the previous
// installation's, which anyone who can write the product's folder may have
// edited) and this run's own section (whose header the package ships). Every
// accepted log is walked the way removal walks it: entries collected per
// kind, judged against the places an installation could have made and the
// product's registry keys, sorted; its digest judged.
// Then the in-memory section takes new entries, as an installation does.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "engine/log/log_digest.h"
#include "engine/log/uninstall_log.h"
#include "engine/removal/registry_limits.h"
#include "engine/removal/removal_limits.h"
#include "format/package_format.h"
#include "format/sha256.h"

namespace {

using fmt::u8;

setup::LogItem items[setup::kMaxLogFileSize / setup::kMinLogEntrySize];
fmt::UninstallSection section;

const setup::RemovalLimits kLimits{"C:\\Program Files\\Seed\\", "C:\\users\\seed\\Desktop",
                                   "C:\\users\\seed\\Start Menu\\Programs"};
const setup::ProductKey kProductKeys[] = {{fmt::kRootLocalMachine, "Software\\Seed\\Product"},
                                          {fmt::kRootCurrentUser, "Software\\Seed\\Product"}};
const setup::RegistryLimits kKeyLimits{kProductKeys, std::size(kProductKeys), true};

// Walks an accepted log as removal does and checks what the walk hands out.
void walk(const u8* bytes, std::size_t size, setup::LogOrigin origin) {
    const std::uint32_t count = setup::logEntryCount(bytes);
    if (count > size / setup::kMinLogEntrySize) std::abort();
    std::size_t total = 0;
    for (u8 kind : {fmt::kLogFile, fmt::kLogFolder, fmt::kLogRegistryKey}) {
        const std::size_t found = setup::collectLogEntries(bytes, kind, items, std::size(items));
        total += found;
        for (std::size_t i = 0; i < found; ++i) {
            const setup::LogItem& item = items[i];
            const u8* text = reinterpret_cast<const u8*>(item.text);
            // Every text lies inside the bytes, terminated there.
            if (text < bytes || text + item.length >= bytes + size || item.text[item.length] != '\0') std::abort();
            if (std::strlen(item.text) != item.length || item.kind != kind) std::abort();
            if (origin == setup::LogOrigin::disk && kind == fmt::kLogRegistryKey &&
                (item.length >= fmt::kMaxPath || (item.value != fmt::kRootLocalMachine && item.value != fmt::kRootCurrentUser))) {
                std::abort();
            }
            if (origin == setup::LogOrigin::disk) setup::isWithinRemovalLimits(kind, item.text, kLimits);
        }
        std::size_t kept = found;
        if (origin == setup::LogOrigin::disk && kind == fmt::kLogRegistryKey) {
            // The keys a removal of such a log may take, and its walk up.
            kept = setup::keepKeysWithinLimits(items, found, kKeyLimits);
            if (kept > found) std::abort();
            const setup::OwnKeys own{items, kept};
            for (std::size_t i = 0; i < kept; ++i)
                if (!setup::isOwnKey(items[i].value, items[i].text, own)) std::abort();
        }
        setup::sortLongestFirst(items, kept);
        for (std::size_t i = 1; i < kept; ++i)
            if (items[i - 1].length < items[i].length) std::abort();
    }
    if (total > count) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > setup::kMaxLogFileSize) return 0;  // removal reads no larger file

    // A log file from disk, in a buffer of exactly its size.
    u8* file = static_cast<u8*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(file, data, size);
    if (setup::checkLog(file, size, setup::LogOrigin::disk) == setup::LogCheck::ok) walk(file, size, setup::LogOrigin::disk);
    // Its digest against a recorded value made of the input's first bytes.
    char recorded[fmt::kSha256HexSize + 1] = {};
    std::memcpy(recorded, data, size < fmt::kSha256HexSize ? size : fmt::kSha256HexSize);
    if (setup::judgeLogDigest(file, size, recorded) == setup::LogTrust::trusted && std::strlen(recorded) != 64)
        std::abort();
    std::free(file);

    // This run's section, its header and entries as the input gives them.
    std::memset(&section, 0, sizeof section);
    std::memcpy(&section, data, size);
    const u8* bytes = reinterpret_cast<const u8*>(&section);
    if (setup::checkLog(bytes, sizeof section, setup::LogOrigin::thisRun) == setup::LogCheck::ok)
        walk(bytes, sizeof section, setup::LogOrigin::thisRun);
    setup::appendLogEntry(section, fmt::kLogFolder, 0, 0, "C:\\Program Files\\Seed");
    setup::appendLogEntry(section, fmt::kLogFile, 1, 0, "C:\\Program Files\\Seed\\InstallLog");
    if (setup::checkLog(bytes, sizeof section, setup::LogOrigin::thisRun) == setup::LogCheck::ok)
        walk(bytes, sizeof section, setup::LogOrigin::thisRun);
    // The DirectX clean-up's return to the shipped state, whatever the saved counts say.
    setup::resetLogToShipped(section);
    return 0;
}
