#include "inspect/package_json.h"

#include "description/flag_names.h"
#include "format/text_slots.h"
#include "inspect/package_facts.h"
#include "inspect/entry_values.h"
#include "inspect/value_names.h"
#include "text/json_writer.h"
#include "text/text_decoder.h"

namespace mkpackage {

namespace {

using fmt::u32;

// A FILETIME as an ISO 8601 text: "2021-03-04T05:06:07Z".
std::string isoTime(const fmt::FileTime& time) {
    std::string text = fileTimeText(time);  // "2021-03-04 05:06:07 UTC"
    text[10] = 'T';
    text.resize(19);
    return text + "Z";
}

class DocumentWriter {
public:
    DocumentWriter(const fmt::PackageReport& report, const FileDigests& digests, std::ostream& out,
                   const ImageDescription* image)
        : r_(report), digests_(digests), image_(image), json_(out), decoder_(packageCodePage(report)) {}

    void write() {
        json_.beginObject();
        json_.key("verified").value(r_.defect.empty());
        json_.key("defect");
        if (r_.defect.empty()) json_.null();
        else json_.value(r_.defect);
        json_.key("fileSize").value(std::uint64_t(r_.fileSize));
        writeSignature();
        if (r_.packageFound) writeHeader();
        if (r_.recordLoaded) {
            writeSettings();
            writeComponents();
            writeUninstaller();
            writePages();
            writePictures();
            writeTexts();
            writeDeployment();
            writeLanguages();
        }
        if (image_ != nullptr) writeImage();
        json_.endObject();
    }

private:
    // A stored text in UTF-8; a byte the code page has no character for
    // becomes U+FFFD.
    std::string text(const std::string& stored) const {
        std::string out;
        decoder_.decode(stored, out, [](unsigned char, std::string& to) { TextDecoder::appendUtf8(0xFFFD, to); });
        return out;
    }

    void writeSignature() {
        json_.key("signature").beginObject();
        json_.key("present").value(r_.signaturePresent());
        if (r_.certificates.state != fmt::CertificateTableState::absent) {
            json_.key("certificateTableOffset").value(r_.certificates.offset);
            json_.key("certificateTableSize").value(r_.certificates.size);
            json_.key("signatureRecords").value(std::uint64_t(r_.signedDataRecords));
        }
        json_.endObject();
    }

    void writeHeader() {
        json_.key("package").beginObject();
        json_.key("offset").value(std::uint64_t(r_.packageStart));
        json_.key("codePage").value(decoder_.codePage());
        json_.key("totalUnpackedSize").value(r_.header.totalUnpackedSize);
        json_.key("totalPackedSize").value(r_.header.totalPackedSize);
        json_.key("fileEntryCount").value(r_.header.fileEntryCount);
        json_.key("configOffset").value(r_.header.configOffset);
        json_.endObject();
    }

    void writeSettings() {
        const fmt::ScalarSettings& s = r_.settings;
        json_.key("settings").beginObject();
        json_.key("flags").strings(flagNames(s.flags, kOptionFlagNames));
        json_.key("defaultSelection").value(s.defaultSelection);
        json_.key("selectionPreset1").value(s.selectionPreset1);
        json_.key("selectionPreset3").value(s.selectionPreset3);
        json_.key("requiredDirectXVersion").value(s.requiredDirectXVersion);
        json_.key("directXPageIndex").value(s.directXPageIndex);
        json_.key("directXComponentMask").value(s.directXComponentMask);
        json_.key("alwaysInstalled").value(alwaysInstalledMask(r_));
        json_.key("controlExStyle").value(s.controlExStyle);
        json_.key("textAlignment").value(s.textAlignment);
        static const char* const kImageRoles[fmt::kImageIndexCount] = {
            "progressAnimation", "updatingSystem", "undoing", "removingPrevious", "replaceDialog", "directXCleanup"};
        json_.key("images").beginObject();
        for (u32 i = 0; i < fmt::kImageIndexCount; ++i) {
            json_.key(kImageRoles[i]);
            pictureName(s.imageIndexTable[i]);
        }
        json_.endObject();
        json_.endObject();
    }

    // A picture by its stored file name, or null when there is none.
    void pictureName(std::int64_t index) {
        if (index >= 0 && static_cast<std::uint64_t>(index) < r_.blobs.size()) {
            json_.value(text(r_.blobs[static_cast<std::size_t>(index)].fileName));
        } else {
            json_.null();
        }
    }

    void writeComponents() {
        json_.key("components").beginArray();
        for (std::size_t c = 0; c < r_.components.size(); ++c) {
            const fmt::VerifiedComponent& comp = r_.components[c];
            json_.beginObject();
            json_.key("name").value(text(comp.name));
            json_.key("unpackedSize").value(comp.record.unpackedSize);
            json_.key("packedSize").value(comp.record.packedSize);
            json_.key("method").value(fmt::streamMethodName(comp.method.method));
            if (comp.method.method == fmt::kStreamMethodLzma) {
                json_.key("blockSize").value(comp.method.blockSize);
                json_.key("blockCount").value(comp.method.blockCount);
                json_.key("blockBytes").value(comp.blockBytes);
            }
            json_.key("files").beginArray();
            for (std::size_t f = 0; f < comp.files.size(); ++f) {
                const fmt::VerifiedFile& file = comp.files[f];
                json_.beginObject();
                json_.key("name").value(text(file.name));
                json_.key("size").value(file.entry.unpackedSize);
                json_.key("time").value(isoTime(file.entry.fileTime));
                json_.key("attributes").strings(flagNames(file.entry.attributes, kAttributeNames));
                json_.key("sha256").value(digests_.digest(c, f));
                json_.endObject();
            }
            json_.endArray();
            json_.key("actions").beginArray();
            for (const fmt::VerifiedAction& a : comp.actions) {
                json_.beginObject();
                json_.key("type").value(actionTypeName(a.record.type));
                json_.key("root").value(rootName(a.record.rootKey));
                json_.key("arguments").strings({text(a.arg1), text(a.arg2), text(a.arg3)});
                json_.endObject();
            }
            json_.endArray();
            json_.endObject();
        }
        json_.endArray();
    }

    // Where the program the uninstall entry and its shortcut start is stored:
    // its component, or null when no component stores it.
    void writeUninstaller() {
        const StoredUninstaller uninstaller = findStoredUninstaller(r_);
        json_.key("uninstaller").beginObject();
        json_.key("name").value(text(*uninstaller.name));
        json_.key("asked").value(uninstaller.asked);
        json_.key("component");
        if (uninstaller.file != nullptr) json_.value(std::uint64_t(uninstaller.component));
        else json_.null();
        json_.key("size");
        if (uninstaller.file != nullptr) json_.value(uninstaller.file->entry.unpackedSize);
        else json_.null();
        json_.endObject();
    }

    void writePages() {
        json_.key("pages").beginArray();
        for (const std::vector<fmt::VerifiedPageItem>& page : r_.pages) {
            json_.beginArray();
            for (const fmt::VerifiedPageItem& item : page) {
                json_.beginObject();
                json_.key("type").value(itemTypeName(item.head.type));
                json_.key("flags").strings(flagNames(item.head.flags, kPageItemFlagNames));
                if (item.head.type == fmt::kItemImage) {
                    json_.key("picture");
                    pictureName(item.value);
                } else if (!item.text.empty() || item.head.dataSize == 1) {
                    json_.key("text").value(text(item.text));
                } else if (item.head.dataSize == 4) {
                    json_.key("value").value(item.value);
                }
                json_.endObject();
            }
            json_.endArray();
        }
        json_.endArray();
    }

    void writePictures() {
        json_.key("pictures").beginArray();
        for (const fmt::VerifiedBlob& blob : r_.blobs) {
            json_.beginObject();
            json_.key("name").value(text(blob.fileName));
            json_.key("kind").value(blobKindName(blob.record.kind));
            json_.key("size").value(blob.record.size);
            if (blob.record.kind == fmt::kBlobBitmap) {
                json_.key("width").value(blob.record.width);
                json_.key("height").value(blob.record.height);
            }
            json_.endObject();
        }
        json_.endArray();
    }

    void writeTexts() {
        json_.key("texts").beginObject();
        for (u32 i = 0; i < fmt::kTextSlotCount; ++i) json_.key(fmt::kTextSlots[i].name).value(text(r_.texts[i]));
        json_.endObject();
        json_.key("uninstallerTexts").beginArray();
        for (const std::string& t : r_.uninstallTexts) json_.value(text(t));
        json_.endArray();
    }

    // The extension records, the extra texts and the uninstall entry.
    void writeDeployment() {
        json_.key("extensions").beginArray();
        for (const fmt::VerifiedExtension& e : r_.extensions) {
            json_.beginObject();
            json_.key("tag").value(fmt::extensionTagText(e.tag));
            json_.key("size").value(std::uint64_t(e.data.size()));
            json_.endObject();
        }
        json_.endArray();
        json_.key("extraTexts").beginObject();
        for (const auto& [name, text] : extraTextList(r_)) json_.key(name).value(text);
        json_.endObject();
        json_.key("uninstallEntry");
        const EntrySummary e = entrySummary(r_);
        if (!e.written) {
            json_.null();
            return;
        }
        json_.beginObject();
        json_.key("key").value("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + e.keyName);
        json_.key("productCode").value(e.keyName);
        json_.key("DisplayName").value(e.displayName);
        json_.key("DisplayVersion").value(e.displayVersion);
        const auto optional = [&](const char* name, const std::string& value) {
            if (!value.empty()) json_.key(name).value(value);
        };
        optional("Publisher", e.publisher);
        json_.key("DisplayIcon").value(e.displayIcon);
        json_.key("uninstaller").value(e.uninstaller);
        json_.key("log").value(e.logName);
        optional("URLInfoAbout", e.aboutUrl);
        optional("HelpLink", e.helpUrl);
        optional("Contact", e.contact);
        optional("Comments", e.comments);
        json_.key("NoModify").value(std::uint64_t(1));
        json_.key("NoRepair").value(std::uint64_t(1));
        json_.endObject();
    }

    void writeImage() {
        json_.key("versionResource");
        if (!image_->hasVersion) {
            json_.null();
        } else {
            json_.beginObject();
            json_.key("fileVersion").value(versionText(image_->version.fileVersion));
            json_.key("productVersion").value(versionText(image_->version.productVersion));
            json_.key("strings").beginObject();
            for (const auto& [key, value] : image_->version.strings) json_.key(key).value(value);
            json_.endObject();
            json_.endObject();
        }
        json_.key("icon");
        if (!image_->hasIcon) {
            json_.null();
            return;
        }
        json_.beginObject();
        json_.key("group").value(image_->iconGroup);
        json_.key("images").beginArray();
        for (const IconGroupEntry& i : image_->icon) {
            json_.beginObject();
            json_.key("width").value(i.width == 0 ? 256u : unsigned(i.width));
            json_.key("height").value(i.height == 0 ? 256u : unsigned(i.height));
            json_.key("bitCount").value(unsigned(i.bitCount));
            json_.key("size").value(i.size);
            json_.endObject();
        }
        json_.endArray();
        json_.endObject();
    }

    // Every language, each with its texts in UTF-8 by its own code page; the
    // first language's are "texts" above.
    void writeLanguages() {
        json_.key("languages").beginArray();
        for (const LanguageFacts& language : packageLanguages(r_)) {
            const fmt::LanguageEntry& e = language.entry;
            const TextDecoder decoder(e.codePage);
            const auto utf8 = [&decoder](const std::string& stored) {
                std::string out;
                decoder.decode(stored, out, [](unsigned char, std::string& to) { TextDecoder::appendUtf8(0xFFFD, to); });
                return out;
            };
            json_.beginObject();
            json_.key("code").value(std::string(e.code));
            json_.key("name").value(utf8(e.name));
            json_.key("codePage").value(e.codePage);
            json_.key("languageId").value(unsigned(e.subLanguage) << 10 | e.primaryLanguage);
            json_.key("first").value(language.first);
            if (!language.first) {
                json_.key("texts").beginObject();
                for (u32 i = 0; i < fmt::kTextSlotCount; ++i) json_.key(fmt::kTextSlots[i].name).value(utf8(language.texts[i]));
                json_.endObject();
                json_.key("extraTexts").beginObject();
                for (const auto& [name, text] : language.extraTexts) json_.key(name).value(utf8(text));
                json_.endObject();
                json_.key("pageTexts").beginArray();
                for (const std::string& t : language.pageTexts) json_.value(utf8(t));
                json_.endArray();
                json_.key("uninstallerTexts").beginArray();
                for (const std::string& t : language.uninstallTexts) json_.value(utf8(t));
                json_.endArray();
            }
            json_.endObject();
        }
        json_.endArray();
    }

    const fmt::PackageReport& r_;
    const FileDigests& digests_;
    const ImageDescription* image_;
    JsonWriter json_;
    TextDecoder decoder_;
};

}  // namespace

void printReportJson(const fmt::PackageReport& report, const FileDigests& digests, std::ostream& out,
                     const ImageDescription* image) {
    DocumentWriter(report, digests, out, image).write();
}

}  // namespace mkpackage
