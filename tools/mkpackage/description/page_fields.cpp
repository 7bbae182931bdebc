#include "description/field_tables.h"

#include <algorithm>
#include <cstring>

#include "common/path_text.h"
#include "description/compression_fields.h"
#include "format/text_slots.h"
#include "sources/picture_file.h"
#include "sources/source_files.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;
using fmt::i32;
using fmt::u32;

// Item kinds by their description key.
struct ItemKind {
    const char* key;
    u32 type;
    enum Value { Text, Picture, Points, Flag } value;
};

constexpr ItemKind kItemKinds[] = {
    {"text", fmt::kItemText, ItemKind::Text},
    {"image", fmt::kItemImage, ItemKind::Picture},
    {"space-above", fmt::kItemSpaceAbove, ItemKind::Points},
    {"indent-left", fmt::kItemIndentLeft, ItemKind::Points},
    {"indent-right", fmt::kItemIndentRight, ItemKind::Points},
    {"destination-group", fmt::kItemDestinationGroup, ItemKind::Flag},
    {"required-space-text", fmt::kItemRequiredSpaceText, ItemKind::Text},
    {"desktop-checkbox", fmt::kItemDesktopCheckBox, ItemKind::Text},
    {"start-menu-checkbox", fmt::kItemStartMenuCheckBox, ItemKind::Text},
    {"directx-version-text", fmt::kItemDirectXVersionText, ItemKind::Text},
    {"directx-install-radio", fmt::kItemDirectXYesRadio, ItemKind::Text},
    {"directx-skip-radio", fmt::kItemDirectXNoRadio, ItemKind::Text},
    {"preset-1-radio", fmt::kItemPreset1Radio, ItemKind::Text},
    {"default-selection-radio", fmt::kItemDefaultSelectionRadio, ItemKind::Text},
    {"preset-3-radio", fmt::kItemPreset3Radio, ItemKind::Text},
};

// Keys of [images], in ImageIndexTable order.
constexpr const char* kImageKeys[fmt::kImageIndexCount] = {
    "progress-animation", "updating-system", "undoing", "removing-previous", "replace-dialog", "directx-cleanup",
};

std::string int32Bytes(i32 value) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

}  // namespace

void PageFields::readPictures(const toml::array& pictures) {
    if (pictures.size() > fmt::kMaxBlobs) r_.fail(pictures, "pictures", "more than " + std::to_string(fmt::kMaxBlobs) + " pictures");
    for (std::size_t i = 0; i < pictures.size(); ++i) r_.attempt([&] { readPicture(pictures, i); });
}

void PageFields::readPicture(const toml::array& pictures, std::size_t i) {
    const std::string field = "pictures[" + std::to_string(i) + "]";
    const toml::table& table = r_.asTable(pictures[i], field);
    const long line = lineOf(table);
    PictureSpec picture;
    picture.line = line;
    d_.lastLine = std::max(d_.lastLine, line);
    const toml::node* name = table.get("name");
    if (name == nullptr) r_.fail(line, field + ".name", "is missing");
    picture.name = r_.utf8(*name, field + ".name");
    for (const PictureSpec& other : d_.pictures) {
        if (other.name == picture.name) r_.fail(*name, field + ".name", "picture \"" + picture.name + "\" is named twice");
    }
    // Named, the picture keeps its place even when its entry is wrong, and
    // what uses it reports nothing more.
    try {
        readPictureFile(table, field, picture);
    } catch (const InputError&) {
        refusedPictures_.insert(picture.name);
        d_.pictures.push_back(std::move(picture));
        throw;
    }
    d_.pictures.push_back(std::move(picture));
}

void PageFields::readPictureFile(const toml::table& table, const std::string& field, PictureSpec& picture) {
    const long line = picture.line;
    {
        r_.checkKeys(table, {"name", "file", "temp-name"}, field, line);
        const toml::node* file = table.get("file");
        if (file == nullptr) r_.fail(line, field + ".file", "is missing");
        const std::string source = r_.utf8(*file, field + ".file");
        const fs::path path = r_.base() / pathFromUtf8(source);
        std::string problem;
        if (!loadPicture(path, picture, problem)) r_.fail(*file, field + ".file", "\"" + source + "\": " + problem);
        picture.path = path;
        if (const toml::node* tempName = table.get("temp-name")) {
            picture.tempName = r_.text(*tempName, field + ".temp-name", fmt::kMaxPath - 1);
        } else {
            picture.tempName = r_.encode(fileNameOf(source), *file, field + ".file", fmt::kMaxPath - 1);
        }
        // The setup program writes it into the temporary folder as it stands.
        if (picture.tempName.find('\\') != std::string::npos || !checkStoredName(picture.tempName, problem)) {
            r_.fail(table, field + ".temp-name",
                    "must be a plain file name" + (problem.empty() ? std::string() : ": it " + problem));
        }
    }
}

// Index of the picture named by `node` (a name or an index).
u32 PageFields::pictureIndex(const toml::node& node, const std::string& field) const {
    if (node.is_integer()) {
        const auto count = static_cast<std::int64_t>(d_.pictures.size());
        if (count == 0) r_.fail(node, field, "there are no pictures");
        const auto index = static_cast<u32>(r_.integer(node, field, 0, count - 1));
        if (refusedPictures_.count(d_.pictures[index].name) != 0) throw ReportedAlready{};
        return index;
    }
    const std::string name = r_.utf8(node, field);
    if (refusedPictures_.count(name) != 0) throw ReportedAlready{};
    for (std::size_t i = 0; i < d_.pictures.size(); ++i) {
        if (d_.pictures[i].name == name) return static_cast<u32>(i);
    }
    r_.fail(node, field, "no picture is named \"" + name + "\"");
}

// A DirectX version format takes exactly one "%s"; "%%" stands for itself.
void PageFields::checkDirectXFormat(const std::string& format, const toml::node& node, const std::string& field) const {
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') { ++i; continue; }
        if (i + 1 < format.size() && format[i + 1] == 's') { ++conversions; ++i; continue; }
        r_.fail(node, field, "only \"%s\" and \"%%\" may follow a \"%\"");
    }
    if (conversions != 1) r_.fail(node, field, "needs exactly one \"%s\"");
    if (format.size() - 2 + fmt::kDirectXFallbackTextLimit > fmt::kMaxDirectXLineLength) {
        r_.fail(node, field, "with a version text of " + std::to_string(fmt::kDirectXFallbackTextLimit) +
                                  " characters the line exceeds " + std::to_string(fmt::kMaxDirectXLineLength) +
                                  " characters");
    }
}

void PageFields::readPages(const toml::array& pages) {
    if (pages.size() > fmt::kMaxPages) r_.fail(pages, "pages", "more than " + std::to_string(fmt::kMaxPages) + " pages");
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::string field = "pages[" + std::to_string(p) + "]";
        const toml::table& table = r_.asTable(pages[p], field);
        r_.checkKeys(table, {"items"}, field, lineOf(table));
        std::vector<PageItemSpec> items;
        if (const toml::node* list = table.get("items")) {
            const toml::array& array = r_.asArray(*list, field + ".items");
            for (std::size_t i = 0; i < array.size(); ++i) {
                r_.attempt([&] { items.push_back(readItem(array[i], field + ".items[" + std::to_string(i) + "]")); });
            }
        }
        d_.pages.push_back(std::move(items));
    }
}

PageItemSpec PageFields::readItem(const toml::node& node, const std::string& field) const {
    const toml::table& table = r_.asTable(node, field);
    PageItemSpec item;
    const ItemKind* kind = nullptr;
    const toml::node* value = nullptr;
    for (auto&& [key, child] : table) {
        if (key.str() == "flags") {
            item.flags = r_.namedBits(child, field + ".flags", kPageItemFlagNames);
            continue;
        }
        const std::string_view keyText = key.str();
        const ItemKind* found = std::find_if(std::begin(kItemKinds), std::end(kItemKinds),
                                             [&](const ItemKind& k) { return keyText == k.key; });
        if (found == std::end(kItemKinds)) {
            r_.fail(static_cast<long>(key.source().begin.line), field + "." + std::string(key.str()), "unknown key");
        }
        if (kind != nullptr) r_.fail(table, field, "holds two kinds, \"" + std::string(kind->key) + "\" and \"" + found->key + "\"");
        kind = found;
        value = &child;
    }
    if (kind == nullptr) r_.fail(table, field, "has no kind (text, image, space-above, ...)");
    const std::string valueField = field + "." + kind->key;
    item.type = kind->type;
    switch (kind->value) {
        case ItemKind::Text: {
            const std::string stored = r_.text(*value, valueField);
            if (item.type == fmt::kItemDirectXVersionText) checkDirectXFormat(stored, *value, valueField);
            item.data = stored + '\0';
            break;
        }
        case ItemKind::Picture: {
            const u32 index = pictureIndex(*value, valueField);
            if (d_.pictures[index].kind != fmt::kBlobBitmap) r_.fail(*value, valueField, "picture is not a bitmap");
            item.data = int32Bytes(static_cast<i32>(index));
            break;
        }
        case ItemKind::Points:
            item.data = int32Bytes(static_cast<i32>(r_.integer(*value, valueField, -10000, 10000)));
            break;
        case ItemKind::Flag:
            if (!value->is_boolean() || !value->as_boolean()->get()) r_.fail(*value, valueField, "must be true");
            break;
    }
    return item;
}

u32 PageFields::selectionMask(const toml::node& node, const std::string& field) const {
    const std::size_t count = d_.components.size();
    if (node.is_integer()) {
        const std::int64_t mask = r_.integer(node, field, 0, 0xFFFFFFFFll);
        if (count < 32 && (static_cast<std::uint64_t>(mask) >> count) != 0) {
            r_.fail(node, field, "names a component beyond the " + std::to_string(count) + " there are");
        }
        return static_cast<u32>(mask);
    }
    u32 mask = 0;
    for (const toml::node& element : r_.asArray(node, field)) {
        const std::string name = r_.text(element, field);
        std::size_t i = 0;
        while (i < count && d_.components[i].name != name) ++i;
        if (i == count) r_.fail(element, field, "no component is named \"" + r_.utf8(element, field) + "\"");
        mask |= 1u << i;
    }
    return mask;
}

void PageFields::readOptions(const toml::node* node) {
    fmt::ScalarSettings& s = d_.settings;
    const std::size_t count = d_.components.size();
    const u32 all = count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1;
    s.defaultSelection = all;
    s.selectionPreset1 = count > 0 ? 1u : 0u;
    s.selectionPreset3 = all;
    s.directXPageIndex = -1;
    if (node == nullptr) return;
    const toml::table& options = r_.asTable(*node, "options");
    d_.optionsLine = lineOf(options);
    r_.checkKeys(options, {"flags", "default-selection", "preset-1", "preset-3", "directx-components",
                           "required-directx", "directx-page", "control-ex-style", "text-alignment", "language-dialog",
                           "compression", "dictionary-mib"},
                 "options", lineOf(options));
    readCompressionFields(r_, options, d_);
    if (const toml::node* n = options.get("flags")) {
        d_.flagsLine = lineOf(*n);
        s.flags = r_.namedBits(*n, "options.flags", kOptionFlagNames);
    }
    if (const toml::node* n = options.get("default-selection")) s.defaultSelection = selectionMask(*n, "options.default-selection");
    if (const toml::node* n = options.get("preset-1")) s.selectionPreset1 = selectionMask(*n, "options.preset-1");
    if (const toml::node* n = options.get("preset-3")) s.selectionPreset3 = selectionMask(*n, "options.preset-3");
    if (const toml::node* n = options.get("directx-components")) {
        s.directXComponentMask = selectionMask(*n, "options.directx-components");
    }
    if (const toml::node* n = options.get("required-directx")) {
        s.requiredDirectXVersion = static_cast<u32>(r_.integer(*n, "options.required-directx", 0, 0xFFFFFFFFll));
    }
    if (const toml::node* n = options.get("directx-page")) {
        s.directXPageIndex = static_cast<i32>(
            r_.integer(*n, "options.directx-page", -1, static_cast<std::int64_t>(d_.pages.size()) - 1));
    }
    if (const toml::node* n = options.get("control-ex-style")) {
        s.controlExStyle = static_cast<u32>(r_.integer(*n, "options.control-ex-style", 0, 0xFFFFFFFFll));
    }
    if (const toml::node* n = options.get("text-alignment")) {
        if (n->is_integer()) {
            s.textAlignment = static_cast<u32>(r_.integer(*n, "options.text-alignment", 0, 2));
        } else {
            const std::string name = r_.utf8(*n, "options.text-alignment");
            if (name == "left") s.textAlignment = 0;
            else if (name == "center") s.textAlignment = 1;
            else if (name == "right") s.textAlignment = 2;
            else r_.fail(*n, "options.text-alignment", "must be \"left\", \"center\" or \"right\" (0..2)");
        }
    }
}

void PageFields::readImages(const toml::node* node) {
    if (node == nullptr) return;
    const toml::table& images = r_.asTable(*node, "images");
    std::vector<std::string_view> keys(std::begin(kImageKeys), std::end(kImageKeys));
    for (auto&& [key, child] : images) {
        if (std::find(keys.begin(), keys.end(), key.str()) == keys.end()) {
            r_.fail(static_cast<long>(key.source().begin.line), "images." + std::string(key.str()), "unknown key");
        }
    }
    for (u32 i = 0; i < fmt::kImageIndexCount; ++i) {
        const toml::node* child = images.get(kImageKeys[i]);
        if (child == nullptr) continue;
        r_.attempt([&] {
            const std::string field = std::string("images.") + kImageKeys[i];
            const u32 index = pictureIndex(*child, field);
            const u32 wanted = i == fmt::kImageProgressAnimation ? fmt::kBlobAnimation : fmt::kBlobIcon;
            if (d_.pictures[index].kind != wanted) {
                r_.fail(*child, field,
                        wanted == fmt::kBlobAnimation ? "picture is not an .avi clip" : "picture is not an .ico icon");
            }
            d_.settings.imageIndexTable[i] = index;
        });
    }
}

}  // namespace mkpackage
