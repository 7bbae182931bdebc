// The field tables of a description: each reads its part of the TOML tree
// into the Description through the checked access of field_reader.h, noting
// a defect and going on wherever the rest does not depend on it.
//   TextFields       [product], [texts] and [uninstaller]
//   ComponentFields  [[components]]: their files and post-install actions
//   PageFields       [[pictures]], [[pages]], [options] and [images]: what the wizard shows
#ifndef MKPACKAGE_FIELD_TABLES_H
#define MKPACKAGE_FIELD_TABLES_H

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>

#include "description/toml_parser.h"

#include "description/description.h"
#include "description/field_reader.h"
#include "format/extension_table.h"
#include "format/package_format.h"

namespace mkpackage {

inline fmt::u32 slotIndex(std::size_t offset) { return static_cast<fmt::u32>(offset / 4); }

// What is wrong with a registry key path that begins with a root
// ("HKLM\\Software\\..."), or an empty text.
std::string rootInKeyProblem(const std::string& key);
// [product]'s keys that TextFields::readDeployment reads.
inline constexpr std::string_view kDeploymentKeys[] = {
    "publisher", "display-version", "about-url", "help-url", "contact",
    "comments",  "display-icon",    "copyright", "installer-icon",
};

// [product]'s keys of the description's own language (translation_fields.h).
inline constexpr std::string_view kLanguageKeys[] = {"language", "language-name", "language-id"};

// What is wrong with `text` in the text slot at `offset`, or nothing.
std::string slotTextProblem(std::size_t offset, const std::string& text);

class TextFields {
public:
    TextFields(FieldReader& reader, Description& description) : r_(reader), d_(description) {}

    void readProduct(const toml::table& product);
    void readTexts(const toml::table& texts);
    // The built-in text of every slot that neither table gave; after both.
    void applyTextDefaults();
    // The uninstaller's texts (given, or built from the product's name) and
    // whether the project's uninstaller is bundled.
    void readUninstaller(const toml::node* node);
    // After the components: the default folder must leave room, once
    // expanded, for every name the installation makes in it.
    void checkDefaultFolderRoom();
    // [product]'s keys for the list of programs and the installer's file
    // (deployment_fields.cpp); after readProduct.
    void readDeployment(const toml::table& product);
    // display-icon names a stored file, or the uninstaller the build stores;
    // after the components, the options and the uninstaller.
    void checkDisplayIcon(const toml::table& product);

private:
    void setSlot(const char* slotName, const toml::node& node, const std::string& field);
    void readText(const toml::key& key, const toml::node& node);
    void setExtraText(const fmt::ExtraTextInfo& extra, const toml::node& node, const std::string& field);
    void applyProductDefaults();

    FieldReader& r_;
    Description& d_;
    std::array<bool, fmt::kTextSlotCount> given_{};
    std::string productNameUtf8_;
};

class ComponentFields {
public:
    ComponentFields(FieldReader& reader, Description& description) : r_(reader), d_(description) {}

    // Needs the texts read: an action's registry key is checked with the default folder.
    void readComponents(const toml::array& components);

private:
    void readComponent(const toml::array& components, std::size_t i);
    void readComponentBody(const toml::table& table, const std::string& field, ComponentSpec& component);
    std::string storedName(const std::string& to, const std::string& rest) const;
    void addFile(ComponentSpec& component, const std::filesystem::path& path, const std::string& nameUtf8,
                 const toml::node& node, const std::string& field);
    void checkNameIsFree(const std::string& folded, const std::string& nameUtf8, const toml::node& node,
                         const std::string& field);
    void readFiles(const toml::array& files, const std::string& context, ComponentSpec& component);
    void readFileEntry(const toml::node& entry, std::size_t i, const std::string& context, ComponentSpec& component);
    fmt::u32 rootKey(const toml::table& table, const std::string& field) const;
    void actionText(const toml::table& table, const char* key, bool required, const std::string& field,
                    char (&out)[fmt::kFieldTextSize]) const;
    void checkActionName(const toml::table& table, const char* key, const char* text, const char* suffix,
                         const std::string& field, const char* what) const;
    void checkExpandedKey(const toml::table& table, const char* key, const std::string& field) const;
    void checkKeyBelowRoot(const toml::table& table, const char* key, const std::string& field) const;
    fmt::InstallAction readAction(const toml::table& table, const std::string& field) const;

    FieldReader& r_;
    Description& d_;
    std::unordered_set<std::string> fileNames_, folderNames_;  // of the component being read, folded
};

class PageFields {
public:
    PageFields(FieldReader& reader, Description& description) : r_(reader), d_(description) {}

    // In this order: pages name pictures, and the options name components and pages.
    void readPictures(const toml::array& pictures);
    void readPages(const toml::array& pages);
    void readOptions(const toml::node* node);
    void readImages(const toml::node* node);

private:
    void readPicture(const toml::array& pictures, std::size_t i);
    void readPictureFile(const toml::table& table, const std::string& field, PictureSpec& picture);
    fmt::u32 pictureIndex(const toml::node& node, const std::string& field) const;
    void checkDirectXFormat(const std::string& format, const toml::node& node, const std::string& field) const;
    PageItemSpec readItem(const toml::node& node, const std::string& field) const;
    fmt::u32 selectionMask(const toml::node& node, const std::string& field) const;

    FieldReader& r_;
    Description& d_;
    // Pictures whose entry was refused: a use of one reports nothing more.
    std::unordered_set<std::string> refusedPictures_;
};

}  // namespace mkpackage

#endif
