// Changes to a built installer that give the broken or unusual packages some
// scenarios need. Pure functions on the file's bytes.
#ifndef E2E_HARNESS_PACKAGE_SURGERY_H
#define E2E_HARNESS_PACKAGE_SURGERY_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

bool readFile(const std::string& path, Bytes& bytes);
bool writeFile(const std::string& path, const Bytes& bytes);

// File offset of the package: the first 4-aligned offset holding the magic
// text followed by the signature, as the setup program scans.
std::optional<std::size_t> findPackage(const Bytes& file);
// File offset of the configuration block (package start + configOffset);
// nullopt if there is no package or the offset points outside the file.
std::optional<std::size_t> findConfigBlock(const Bytes& file);

// Inserts bytes at the offset (e.g. in front of the package, which moves it
// and everything behind it; package-relative offsets stay valid).
void insertBytes(Bytes& file, std::size_t offset, const Bytes& inserted);
// Zero padding in front of the package so that the magic text fills the last
// four bytes of a 32 KiB scan step and the signature starts the next one.
// Returns false if there is no package.
bool straddleScanStep(Bytes& file);

// Little-endian u32 access.
std::uint32_t readU32(const Bytes& file, std::size_t offset);
void writeU32(Bytes& file, std::size_t offset, std::uint32_t value);

// Offsets inside the configuration block header.
inline constexpr std::size_t kConfigUnpackedSizeField = 8;
inline constexpr std::size_t kConfigPackedSizeField = 12;
inline constexpr std::size_t kConfigCrcField = 16;
inline constexpr std::size_t kConfigHeaderSize = 20;

// Flips one bit of the compressed record (not of its header); the crc stays.
bool flipConfigBit(Bytes& file, std::size_t byteIndex, int bit);
// The decompressed record, or nullopt if the block cannot be read.
std::optional<Bytes> unpackConfigRecord(const Bytes& file);
// Replaces the record by the given one, recompressed, with a fresh header
// (sizes and crc); the block stays the last thing in the file.
bool replaceConfigRecord(Bytes& file, const Bytes& record);

// One stored file of the package, as the setup program walks it.
struct StoredEntry {
    std::size_t offset = 0;        // file offset of the 28-byte header
    std::uint32_t unpackedSize = 0;
    std::uint16_t componentIndex = 0;
    std::string name;
    std::vector<std::uint16_t> chunkLengths;
    std::vector<std::size_t> chunkOffsets;  // file offsets of the chunks (their crc)
};
// The stored files from behind the package header up to the configuration
// block, in storage order; empty if the walk leaves the file.
std::vector<StoredEntry> storedEntries(const Bytes& file);

// File offset of the LZMA data of block `block` of component `component`,
// as the package's stream-methods record places it; nullopt when the
// component is not LZMA or has no such block.
std::optional<std::size_t> lzmaBlockData(const Bytes& file, std::uint32_t component, std::uint32_t block);

// Points component `index`'s first entry at a package offset (in the
// configuration record, which is packed anew).
bool setComponentFirstEntry(Bytes& file, std::uint32_t index, std::uint32_t packageOffset);
// Removes the bytes from `cutAt` up to the configuration block, so that the
// stored data ends early while the block stays readable behind it.
bool cutBeforeConfigBlock(Bytes& file, std::size_t cutAt);

}  // namespace e2e

#endif
