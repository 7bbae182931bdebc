#include "inspect/package_listing.h"

#include <cstdio>

#include "description/flag_names.h"
#include "format/text_slots.h"
#include "inspect/package_facts.h"
#include "inspect/deployment_listing.h"
#include "inspect/value_names.h"
#include "sources/source_files.h"
#include "text/text_decoder.h"

namespace mkpackage {
namespace {

using fmt::u32;

std::string hexByte(unsigned char c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

// A stored text in UTF-8 with control characters made visible; a byte the
// code page has no character for is shown as \xNN.
std::string quoted(const std::string& text, const TextDecoder& decoder) {
    std::string visible;
    for (unsigned char c : text) {
        switch (c) {
            case '\n': visible += "\\n"; break;
            case '\t': visible += "\\t"; break;
            case '\r': visible += "\\r"; break;
            case '"': visible += "\\\""; break;
            case '\\': visible += "\\\\"; break;
            default:
                if (c < 0x20 || c == 0x7F) visible += hexByte(c);
                else visible += static_cast<char>(c);
        }
    }
    std::string out = "\"";
    decoder.decode(visible, out, [](unsigned char c, std::string& to) { to += hexByte(c); });
    return out + "\"";
}

std::string hex(u32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// Where the program that the uninstall entry and the uninstaller's shortcut
// start is stored, or that it is missing when they are asked for; and the
// components every installation takes.
void printUninstaller(const fmt::PackageReport& r, const TextDecoder& decoder, std::ostream& out) {
    const StoredUninstaller uninstaller = findStoredUninstaller(r);
    if (uninstaller.name == nullptr) return;
    if (uninstaller.file != nullptr) {
        out << "uninstaller: " << quoted(uninstaller.file->name) << " in component " << uninstaller.component << ", "
            << uninstaller.file->entry.unpackedSize << " bytes\n";
    } else if (uninstaller.asked) {
        out << "uninstaller: " << quoted(*uninstaller.name, decoder)
            << " is in no component: the uninstall entry and shortcut start nothing\n";
    }
    if (const u32 always = alwaysInstalledMask(r)) {
        out << "installed with every selection:";
        for (std::size_t c = 0; c < r.components.size() && c < 32; ++c)
            if ((always >> c) & 1) out << " component " << c << " " << quoted(r.components[c].name, decoder);
        out << "\n";
    }
}

// Each language with its code page and ids; each one after the first with
// its texts, decoded by its own code page.
void printLanguages(const fmt::PackageReport& r, std::ostream& out) {
    const std::vector<LanguageFacts> languages = packageLanguages(r);
    if (languages.empty()) return;
    out << "languages: " << languages.size() << "\n";
    for (const LanguageFacts& language : languages) {
        const fmt::LanguageEntry& e = language.entry;
        const TextDecoder decoder(e.codePage);
        const auto q = [&decoder](const std::string& text) { return quoted(text, decoder); };
        char id[8];
        std::snprintf(id, sizeof id, "0x%04X", unsigned(e.subLanguage) << 10 | e.primaryLanguage);
        out << "language " << e.code << " " << q(e.name) << ", code page " << e.codePage << ", id " << id
            << (language.first ? ", first: the texts above\n" : ":\n");
        if (language.first) continue;
        for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
            if (!language.texts[i].empty()) out << "  " << fmt::kTextSlots[i].name << " = " << q(language.texts[i]) << "\n";
        }
        for (const auto& [name, text] : language.extraTexts) out << "  " << name << " = " << q(text) << "\n";
        for (std::size_t i = 0; i < language.pageTexts.size(); ++i)
            out << "  page text " << i << " = " << q(language.pageTexts[i]) << "\n";
        for (std::size_t i = 0; i < language.uninstallTexts.size(); ++i)
            out << "  uninstaller " << i << " = " << q(language.uninstallTexts[i]) << "\n";
    }
}

}  // namespace

void printReport(const fmt::PackageReport& r, std::ostream& out, std::ostream& errors, const ImageDescription* image) {
    const TextDecoder decoder(packageCodePage(r));
    const auto q = [&decoder](const std::string& text) { return quoted(text, decoder); };
    if (r.packageFound) {
        out << "package at file offset " << r.packageStart << " of " << r.fileSize << " bytes\n";
        out << "header: totalUnpackedSize " << r.header.totalUnpackedSize << ", totalPackedSize "
            << r.header.totalPackedSize << ", fileEntryCount " << r.header.fileEntryCount << ", configOffset "
            << r.header.configOffset << ", texts in code page " << decoder.codePage() << "\n";
    }
    if (r.certificates.state == fmt::CertificateTableState::sound) {
        out << "signature: " << (r.signaturePresent() ? "present" : "none") << ", certificate table of "
            << r.certificates.size << " bytes at file offset " << r.certificates.offset
            << " after the package (not checked against a certificate authority)\n";
    }
    if (r.recordLoaded) {
        out << "configuration block: packedSize " << r.configBlock.packedSize << ", unpackedSize "
            << r.configBlock.unpackedSize << ", crc " << hex(r.configBlock.crc) << "\n";
    }
    if (!r.texts[0].empty() || !r.components.empty()) {
        const fmt::ScalarSettings& s = r.settings;
        out << "settings: flags " << hex(s.flags) << " (" << flagNameList(s.flags, kOptionFlagNames)
            << "), defaultSelection " << hex(s.defaultSelection) << ", selectionPreset1 " << hex(s.selectionPreset1)
            << ", selectionPreset3 " << hex(s.selectionPreset3) << "\n          requiredDirectXVersion "
            << hex(s.requiredDirectXVersion) << ", directXPageIndex " << s.directXPageIndex
            << ", directXComponentMask " << hex(s.directXComponentMask) << "\n          controlExStyle "
            << hex(s.controlExStyle) << ", textAlignment " << s.textAlignment << ", imageIndexTable";
        for (u32 i = 0; i < fmt::kImageIndexCount; ++i) out << " " << s.imageIndexTable[i];
        out << "\n";
    }
    for (std::size_t c = 0; c < r.components.size(); ++c) {
        const fmt::VerifiedComponent& comp = r.components[c];
        out << "component " << c << " " << q(comp.name) << ": " << comp.record.fileCount << " files, "
            << comp.record.unpackedSize << " bytes, packed " << comp.record.packedSize << ", first entry at "
            << comp.record.firstEntryOffset;
        if (comp.method.method != fmt::kStreamMethodZlib) {
            out << ", " << fmt::streamMethodName(comp.method.method) << " in " << comp.method.blockCount
                << (comp.method.blockCount == 1 ? " block" : " blocks") << " of at most " << comp.method.blockSize
                << " bytes (" << comp.blockBytes << " bytes at " << comp.method.blocksOffset << ")";
        }
        out << "\n";
        for (const fmt::VerifiedFile& f : comp.files) {
            out << "  file " << q(f.name) << "  " << f.entry.unpackedSize << " bytes, " << f.chunkCount
                << " chunks, stored " << f.entry.storedSize << ", " << fileTimeText(f.entry.fileTime) << ", attributes "
                << hex(f.entry.attributes) << " (" << flagNameList(f.entry.attributes, kAttributeNames) << ")\n";
        }
        for (const fmt::VerifiedAction& a : comp.actions) {
            out << "  action " << actionTypeName(a.record.type) << " root " << rootName(a.record.rootKey) << ": "
                << q(a.arg1) << " " << q(a.arg2) << " " << q(a.arg3) << "\n";
        }
    }
    printUninstaller(r, decoder, out);
    printDeployment(r, image, out);
    for (std::size_t p = 0; p < r.pages.size(); ++p) {
        out << "page " << p << ":\n";
        for (const fmt::VerifiedPageItem& item : r.pages[p]) {
            out << "  " << itemTypeName(item.head.type) << " flags " << hex(item.head.flags);
            if (item.head.flags != 0) out << " (" << flagNameList(item.head.flags, kPageItemFlagNames) << ")";
            if (!item.text.empty() || item.head.dataSize == 1) out << " " << q(item.text);
            else if (item.head.type == fmt::kItemImage && static_cast<std::size_t>(item.value) < r.blobs.size())
                out << " picture " << item.value << " " << q(r.blobs[static_cast<std::size_t>(item.value)].fileName);
            else if (item.head.dataSize == 4) out << " " << item.value;
            out << "\n";
        }
    }
    for (std::size_t b = 0; b < r.blobs.size(); ++b) {
        const fmt::VerifiedBlob& blob = r.blobs[b];
        out << "picture " << b << ": " << blobKindName(blob.record.kind) << " " << q(blob.fileName) << ", "
            << blob.record.size << " bytes";
        if (blob.record.kind == fmt::kBlobBitmap) out << ", " << blob.record.width << " x " << blob.record.height;
        out << "\n";
    }
    if (r.recordLoaded && !r.texts[0].empty()) {
        out << "texts:\n";
        for (u32 i = 0; i < fmt::kTextSlotCount; ++i) out << "  " << fmt::kTextSlots[i].name << " = " << q(r.texts[i]) << "\n";
    }
    for (const auto& [name, text] : extraTexts(r)) out << "  " << name << " = " << q(text) << "\n";
    if (!r.uninstallTexts.empty()) {
        out << "uninstaller: usedBytes " << r.uninstall.usedBytes << ", texts:\n";
        for (std::size_t i = 0; i < r.uninstallTexts.size(); ++i) out << "  " << i << " = " << q(r.uninstallTexts[i]) << "\n";
    }
    printLanguages(r, out);
    if (r.defect.empty()) out << "verified: OK\n";
    else errors << "defect: " << r.defect << "\n";
}

}  // namespace mkpackage
