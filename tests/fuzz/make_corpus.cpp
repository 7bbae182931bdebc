// Writes the seed corpus of every fuzz target from real installers: a few
// products are described, built by the builder against a tiny program image
// in a scratch folder (scratch_product.h), verified, and cut into the inputs
// each target takes. The same sources give the same seeds.
//
//   make_corpus CORPUS_DIR     (writes CORPUS_DIR/<target>/<seed>)
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "build/package_writer.h"
#include "common/input_error.h"
#include "description/description_reader.h"
#include "engine/log/uninstall_log.h"
#include "format/package_reader.h"
#include "record_form.h"
#include "scratch_product.h"

namespace {

namespace fs = std::filesystem;
using fuzzing::Bytes;

struct Product {
    const char* name;
    std::string description;
    bool packageSeeds;  // false: the description alone (its record is too large to be a good seed)
};

const std::string kHead = "[product]\nname = \"Seed\"\nregistry-key = \"Software\\\\Seed\"\n"
                          "default-folder = \"$(BootDrive):\\\\Seed\\\\\"\n";

std::vector<Product> products(const fs::path& scratch) {
    std::ifstream starter(scratch / "product.toml", std::ios::binary);
    const std::string starterText((std::istreambuf_iterator<char>(starter)), std::istreambuf_iterator<char>());
    return {
        {"minimal", kHead + "[[components]]\nname = \"Main\"\nfiles = [\"a.txt\"]\n[[pages]]\nitems = [{ text = \"Hi\" }]\n",
         true},
        {"no-components", kHead + "[options]\nflags = [\"uninstall-entry\"]\n", true},
        {"edges",
         kHead +
             "[texts]\ntitleWizard = \"Seed Setup\"\nmsgLogCorrupt = \"Log %s is damaged\"\n"
             "msgPreviousLeftovers = \"Left: %s\"\n"
             "[[pictures]]\nname = \"bmp\"\nfile = \"tiny.bmp\"\n"
             "[[pictures]]\nname = \"ico\"\nfile = \"tiny.ico\"\n"
             "[[pictures]]\nname = \"clip\"\nfile = \"tiny.avi\"\ntemp-name = \"clip.avi\"\n"
             "[images]\nprogress-animation = \"clip\"\nundoing = \"ico\"\nreplace-dialog = 1\n"
             "[[components]]\nname = \"Main\"\n"
             "files = [\"empty.txt\", \"chunk.bin\", { source = \"a.txt\", to = \"Docs\\\\Deep\\\\a.txt\" },"
             " { folder = \"tree\", to = \"Tree\" }, \"b.bin\"]\n"
             "[[components.actions]]\ntype = \"desktop-shortcut\"\nprogram = \"a.txt\"\nname = \"A\"\narguments = \"-x\"\n"
             "[[components.actions]]\ntype = \"programs-shortcut\"\nprogram = \"a.txt\"\nname = \"Seed\\\\A\"\n"
             "[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\nkey = \"Software\\\\Seed\"\n"
             "value = \"Path\"\ndata = \"$(ExtrPath)$$\"\n"
             "[[components.actions]]\ntype = \"remove-file\"\npath = \"made.log\"\n"
             "[[components.actions]]\ntype = \"remove-file-flagged\"\npath = \"Docs\\\\made.tmp\"\n"
             "[[components.actions]]\ntype = \"remove-key\"\nroot = \"HKLM\"\nkey = \"Software\\\\Seed\\\\Cache\"\n"
             "[[components.actions]]\ntype = \"remove-key-flagged\"\nroot = \"HKCU\"\nkey = \"Software\\\\Seed\"\n"
             "[[components]]\nname = \"Extra\"\nfiles = [{ glob = \"*.txt\", to = \"More\" }]\n"
             "[[pages]]\nitems = [\n"
             "  { image = \"bmp\", flags = [\"left\"] }, { space-above = 4 }, { indent-left = 10 }, { indent-right = -3 },\n"
             "  { text = \"Welcome\", flags = [\"bold\", \"arial\", \"large\", \"center\"] },\n"
             "  { destination-group = true, flags = [\"bottom\"] }, { required-space-text = \"Space\" },\n"
             "  { desktop-checkbox = \"Desktop\" }, { start-menu-checkbox = \"Menu\", flags = [\"italic\"] },\n"
             "]\n"
             "[[pages]]\nitems = [\n"
             "  { directx-version-text = \"DirectX %s\" }, { directx-install-radio = \"Yes\" }, { directx-skip-radio = \"No\" },\n"
             "  { preset-1-radio = \"Small\" }, { default-selection-radio = \"Normal\" }, { preset-3-radio = \"All\", flags = [\"underline\"] },\n"
             "]\n"
             "[options]\nflags = [\"desktop-shortcuts\", \"start-menu-shortcuts\", \"uninstall-entry\", \"uninstall-shortcut\"]\n"
             "default-selection = [\"Main\", \"Extra\"]\npreset-1 = [\"Main\"]\npreset-3 = 3\ndirectx-components = [\"Extra\"]\n"
             "required-directx = 0x40005\ndirectx-page = 1\ncontrol-ex-style = 0x200\ntext-alignment = \"center\"\n",
         true},
        {"deployment",
         kHead + "publisher = \"Seed Works\"\ndisplay-version = \"1.0.0\"\nabout-url = \"https://example.com/\"\n"
                 "help-url = \"https://example.com/help\"\ncontact = \"Desk\"\ncomments = \"A seed\"\n"
                 "display-icon = \"a.txt\"\ncopyright = \"(c) Seed Works\"\ninstaller-icon = \"tiny.ico\"\n"
                 "[options]\nflags = [\"uninstall-entry\"]\n[uninstaller]\nbundle = false\n"
                 "[[components]]\nname = \"Main\"\nfiles = [\"a.txt\"]\n",
         true},
        {"cyrillic",
         "code-page = 1251\n[product]\nname = \"\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB1\xD0\xB0\"\n"
         "[[components]]\nname = \"\xD0\x96\"\nfiles = [{ source = \"a.txt\", to = \"\xD0\x96\\\\a.txt\" }]\n"
         "[uninstaller]\ntexts = [\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"9\",\"10\",\"11\",\"12\",\"13\",\"14\","
         "\"15\",\"16\",\"17\",\"18\",\"19\"]\n",
         true},
        {"lzma",
         kHead + "[[components]]\nname = \"Main\"\nfiles = [\"empty.txt\", \"chunk.bin\", \"a.txt\", \"b.bin\"]\n"
                 "[[components]]\nname = \"Extra\"\nfiles = [\"a.txt\"]\n"
                 "[options]\ncompression = \"lzma\"\ndictionary-mib = 1\n",
         true},
        {"starter", starterText, false},
        {"link-out", kHead + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"links-out\" }]\n", false},
        {"link-folder", kHead + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"links-folder\" }]\n", false},
        {"link-gone", kHead + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"links-gone\" }]\n", false},
        {"link-loop", kHead + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"links-loop\" }]\n", false},
        {"pipe", kHead + "[[components]]\nname = \"C\"\nfiles = [{ folder = \"pipe-folder\" }]\n", false},
    };
}

void write(const fs::path& path, const std::uint8_t* data, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void write(const fs::path& path, const Bytes& bytes) { write(path, bytes.data(), bytes.size()); }

Bytes readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The inputs of the package targets, cut from one verified installer.
void splitInstaller(const Bytes& installer, const std::string& name, const fs::path& corpus) {
    const fmt::PackageReport report = fmt::verifyPackageFile((corpus / ".installer").string());
    if (!report.defect.empty()) throw std::runtime_error(name + ": " + report.defect);
    const std::uint64_t start = report.packageStart;
    const std::uint64_t blockAt = start + report.header.configOffset;

    write(corpus / "package_scan" / name, installer);
    write(corpus / "package_verify" / name, installer);
    if (name == "minimal" || name == "deployment") write(corpus / "program_image" / name, installer.data(), start);

    const std::optional<Bytes> compact = fuzzing::compactRecord(report.record);
    if (!compact) throw std::runtime_error(name + ": the record's log area is not empty");
    write(corpus / "config_record" / name, *compact);
    Bytes packed{'Z'};
    packed.insert(packed.end(), installer.begin() + static_cast<long>(blockAt + sizeof(fmt::ConfigBlockHeader)),
                  installer.end());
    write(corpus / "config_record" / (name + "-packed"), packed);

    // The extension table with the record behind it, as config_record takes them.
    if (report.settings.extensionTable != 0) {
        const std::uint64_t tableAt = start + report.settings.extensionTable;
        const auto tableSize = static_cast<std::uint32_t>(blockAt - tableAt);
        Bytes withTable{'T'};
        for (int i = 0; i < 4; ++i) withTable.push_back(static_cast<std::uint8_t>(tableSize >> (8 * i)));
        withTable.insert(withTable.end(), installer.begin() + static_cast<long>(tableAt),
                         installer.begin() + static_cast<long>(blockAt));
        withTable.insert(withTable.end(), compact->begin(), compact->end());
        write(corpus / "config_record" / (name + "-table"), withTable);
    }

    Bytes rebuilt(installer.begin(), installer.begin() + static_cast<long>(blockAt));
    rebuilt.insert(rebuilt.end(), compact->begin(), compact->end());
    write(corpus / "package_verify" / (name + "-compact"), rebuilt);

    // Where each component's bytes begin: its blocks, or its first entry.
    const auto beginning = [&](const fmt::VerifiedComponent& component) {
        return start + (component.method.blockCount != 0 ? component.method.blocksOffset
                                                         : component.record.firstEntryOffset);
    };
    for (std::size_t c = 0; c < report.components.size(); ++c) {
        const fmt::VerifiedComponent& component = report.components[c];
        const std::uint64_t from = beginning(component);
        const std::uint64_t to = c + 1 < report.components.size() ? beginning(report.components[c + 1]) : blockAt;
        if (to <= from) continue;
        Bytes seed;
        if (component.method.method == fmt::kStreamMethodLzma) {
            // The component_stream target's LZMA form: "LZMA", block size,
            // block count and the first entry's offset within the bytes.
            const std::uint32_t head[3] = {component.method.blockSize, component.method.blockCount,
                                           static_cast<std::uint32_t>(start + component.record.firstEntryOffset - from)};
            seed.assign({'L', 'Z', 'M', 'A'});
            seed.insert(seed.end(), reinterpret_cast<const std::uint8_t*>(head),
                        reinterpret_cast<const std::uint8_t*>(head) + sizeof head);
        }
        seed.insert(seed.end(), installer.begin() + static_cast<long>(from), installer.begin() + static_cast<long>(to));
        write(corpus / "component_stream" / (name + "-" + std::to_string(c)), seed);
    }
}

// The smallest program image whose resources the builder rewrites: PE32
// headers, one resource section of an empty tree, 32-byte file alignment.
Bytes tinyProgramImage() {
    Bytes image(0x180, 0);
    const auto put = [&](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    image[0] = 'M';
    image[1] = 'Z';
    put(0x3C, 0x40, 4);
    std::memcpy(&image[0x40], "PE\0\0", 4);
    put(0x44, 0x14C, 2);
    put(0x46, 1, 2);
    put(0x54, 224, 2);
    const std::size_t optional = 0x58;
    put(optional, 0x10B, 2);
    put(optional + 32, 0x1000, 4);  // section alignment
    put(optional + 36, 0x20, 4);    // file alignment
    put(optional + 56, 0x2000, 4);
    put(optional + 60, 0x160, 4);
    put(optional + 68, 2, 2);
    put(optional + 92, 16, 4);
    put(optional + 96 + 16, 0x1000, 4);
    put(optional + 96 + 20, 16, 4);
    const std::size_t section = optional + 224;
    std::memcpy(&image[section], ".rsrc", 5);
    put(section + 8, 16, 4);
    put(section + 12, 0x1000, 4);
    put(section + 16, 0x20, 4);
    put(section + 20, 0x160, 4);
    return image;
}

// Seeds no product makes: the magic pair across the border of two 32 KiB
// scan steps, and the magic text followed by another number.
void writeScanSeeds(const fs::path& corpus) {
    Bytes border(fmt::kScanStep + 8, 0);
    std::memcpy(border.data() + fmt::kScanStep - 4, fmt::kPackageMagic, 4);
    std::memcpy(border.data() + fmt::kScanStep, &fmt::kPackageSignature, 4);
    write(corpus / "package_scan" / "across-steps", border);
    Bytes near(64, 0x90);
    std::memcpy(near.data() + 8, fmt::kPackageMagic, 4);
    std::memcpy(near.data() + 16, fmt::kPackageMagic, 4);
    std::memcpy(near.data() + 20, &fmt::kPackageSignature, 4);
    write(corpus / "package_scan" / "magic-without-signature-first", near);
}

// A signed installer: image headers whose security entry names a
// certificate table behind the package, padded to a multiple of 8, with a
// decoy magic pair inside the table that the scan must never reach.
void writeSignedSeeds(const Bytes& installer, std::uint64_t packageStart, const fs::path& corpus) {
    constexpr std::uint32_t kPeOffset = 0x80, kImageSize = 512;
    Bytes file(kImageSize, 0);
    file[0] = 'M';
    file[1] = 'Z';
    std::memcpy(&file[0x3C], &kPeOffset, 4);
    std::memcpy(&file[kPeOffset], "PE\0\0", 4);
    const std::uint16_t optionalSize = 224, magic = 0x10B;
    std::memcpy(&file[kPeOffset + 4 + 16], &optionalSize, 2);
    std::memcpy(&file[kPeOffset + 24], &magic, 2);
    const std::uint32_t directories = 16;
    std::memcpy(&file[kPeOffset + 24 + 92], &directories, 4);
    file.insert(file.end(), installer.begin() + static_cast<long>(packageStart), installer.end());
    file.resize((file.size() + 7) / 8 * 8, 0);
    const auto tableAt = static_cast<std::uint32_t>(file.size());
    Bytes table(64, 0);
    const std::uint32_t length = 64;
    const std::uint16_t revision = 0x0200, type = 0x0002;
    std::memcpy(&table[0], &length, 4);
    std::memcpy(&table[4], &revision, 2);
    std::memcpy(&table[6], &type, 2);
    std::memcpy(&table[16], fmt::kPackageMagic, 4);
    std::memcpy(&table[20], &fmt::kPackageSignature, 4);
    file.insert(file.end(), table.begin(), table.end());
    const std::uint32_t tableSize = 64;
    std::memcpy(&file[kPeOffset + 24 + 96 + 4 * 8], &tableAt, 4);
    std::memcpy(&file[kPeOffset + 24 + 96 + 4 * 8 + 4], &tableSize, 4);
    write(corpus / "package_scan" / "signed", file);
    write(corpus / "package_verify" / "signed", file);
}

// Logs as installations leave them, and as an editor of the product's folder
// might leave them, on the shipped section of a built package.
void writeLogSeeds(const Bytes& record, const fs::path& corpus) {
    static fmt::UninstallSection shipped, log;
    std::memcpy(&shipped, record.data() + fmt::kUninstallSectionOffset, sizeof shipped);
    auto save = [&](const std::string& name) {
        write(corpus / "uninstall_log" / name, reinterpret_cast<const std::uint8_t*>(&log),
              sizeof(fmt::UninstallHeader) + log.header.usedBytes);
    };
    log = shipped;
    save("shipped");

    const std::string folder = "C:\\Program Files\\Seed";
    for (const auto& [kind, text] : std::vector<std::pair<fmt::u8, std::string>>{
             {fmt::kLogFolder, folder},
             {fmt::kLogFile, folder + "\\a.txt"},
             {fmt::kLogFolder, folder + "\\Docs"},
             {fmt::kLogFile, folder + "\\Docs\\a.txt"},
             {fmt::kLogFile, "C:\\users\\seed\\Desktop\\A.lnk"},
             {fmt::kLogFolder, "C:\\users\\seed\\Start Menu\\Programs\\Seed"},
             {fmt::kLogFile, "C:\\users\\seed\\Start Menu\\Programs\\Seed\\A.lnk"},
             {fmt::kLogRegistryKey, "Software\\Seed"},
         }) {
        setup::appendLogEntry(log, kind, 0, kind == fmt::kLogRegistryKey ? fmt::kRootCurrentUser : 0, text.c_str());
    }
    setup::appendLogEntry(log, fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, "Software\\Seed");
    setup::appendLogEntry(log, fmt::kLogFile, 0, 0, (folder + "\\InstallLog").c_str());
    save("installed");

    setup::appendLogEntry(log, fmt::kLogFile, 0, 0, "C:\\Windows\\system32\\kernel32.dll");
    setup::appendLogEntry(log, fmt::kLogFolder, 0, 0, (folder + "\\..\\..\\Windows").c_str());
    setup::appendLogEntry(log, fmt::kLogFile, 0, 0, "\\\\?\\C:\\x");
    setup::appendLogEntry(log, fmt::kLogRegistryKey, 0, 0x80000000u, "Software\\Classes");
    save("outside-limits");

    // One entry whose successor is itself, counted a thousand times.
    log = shipped;
    setup::appendLogEntry(log, fmt::kLogFile, 0, 0, (folder + "\\a.txt").c_str());
    fmt::LogEntry head;
    const std::size_t at = log.header.firstEntryOffset - sizeof(fmt::UninstallHeader);
    std::memcpy(&head, log.data + at, sizeof head);
    head.next = static_cast<fmt::u32>(at);
    std::memcpy(log.data + at, &head, sizeof head);
    log.header.entryCount = 1000;
    save("self-loop");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_corpus CORPUS_DIR\n");
        return 2;
    }
    const fs::path corpus = argv[1];
    std::string pattern = (fs::temp_directory_path() / "setupkit-corpus-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    const fs::path scratch = pattern;
    int status = 0;
    try {
        fuzzing::writeScratchProduct(scratch);
        write(scratch / "stub.exe", tinyProgramImage());
        for (const Product& product : products(scratch)) {
            const std::string& text = product.description;
            write(corpus / "description" / (std::string(product.name) + ".toml"),
                  reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            if (!product.packageSeeds) continue;
            const mkpackage::Description description = mkpackage::parseDescription(text, scratch / "product.toml");
            mkpackage::writeInstaller(description, scratch / "stub.exe", corpus / ".installer");
            splitInstaller(readAll(corpus / ".installer"), product.name, corpus);
            if (std::string(product.name) == "minimal") {
                const Bytes installer = readAll(corpus / ".installer");
                writeSignedSeeds(installer, fmt::verifyPackageFile((corpus / ".installer").string()).packageStart,
                                 corpus);
            }
            if (std::string(product.name) == "edges") {
                writeLogSeeds(fmt::verifyPackageFile((corpus / ".installer").string()).record, corpus);
            }
        }
        writeScanSeeds(corpus);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_corpus: %s\n", e.what());
        status = 1;
    }
    std::error_code ec;
    fs::remove(corpus / ".installer", ec);
    fs::remove_all(scratch, ec);
    return status;
}
