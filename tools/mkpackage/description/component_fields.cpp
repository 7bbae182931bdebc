#include "description/field_tables.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/path_text.h"
#include "sources/source_files.h"
#include "text/path_macros.h"

namespace mkpackage {

namespace fs = std::filesystem;
using fmt::u32;

void ComponentFields::readComponents(const toml::array& components) {
    if (components.size() > fmt::kMaxComponents) r_.fail(components, "components", "more than " + std::to_string(fmt::kMaxComponents) + " components");
    for (std::size_t i = 0; i < components.size(); ++i) r_.attempt([&] { readComponent(components, i); });
}

void ComponentFields::readComponent(const toml::array& components, std::size_t i) {
    const std::string field = "components[" + std::to_string(i) + "]";
    const toml::table& table = r_.asTable(components[i], field);
    const long line = lineOf(table);
    ComponentSpec component;
    component.line = line;
    const toml::node* name = table.get("name");
    if (name == nullptr) r_.fail(line, field + ".name", "is missing");
    component.name = r_.text(*name, field + ".name", fmt::kFieldTextSize - 1);
    if (component.name.empty()) r_.fail(*name, field + ".name", "is empty");
    for (const ComponentSpec& other : d_.components) {
        if (other.name == component.name) r_.fail(*name, field + ".name", "component \"" + r_.utf8(*name, "") + "\" is named twice");
    }
    // Named, the component counts even when a part of it is wrong: the
    // selections that name it report nothing more.
    try {
        readComponentBody(table, field, component);
    } catch (const InputError&) {
        d_.components.push_back(std::move(component));
        throw;
    }
    d_.components.push_back(std::move(component));
}

void ComponentFields::readComponentBody(const toml::table& table, const std::string& field, ComponentSpec& component) {
    const long line = component.line;
    {
        r_.checkKeys(table, {"name", "files", "actions"}, field, line);
        fileNames_.clear();
        folderNames_.clear();
        if (const toml::node* files = table.get("files")) readFiles(r_.asArray(*files, field + ".files"), field, component);
        if (const toml::node* actions = table.get("actions")) {
            const toml::array& list = r_.asArray(*actions, field + ".actions");
            for (std::size_t a = 0; a < list.size(); ++a) {
                const std::string actionField = field + ".actions[" + std::to_string(a) + "]";
                r_.attempt([&] {
                    component.actions.push_back(readAction(r_.asTable(list[a], actionField), actionField));
                    component.actionLines.push_back(lineOf(list[a]));
                });
            }
        }
        std::uint64_t total = 0;
        for (const SourceFile& f : component.files) total += f.size;
        if (total > 0x7FFFFFFF) {
            r_.fail(line, field + ".files", "the component's files add up to " + std::to_string(total) +
                                                 " bytes, more than 2 GiB");
        }
    }
}

// What a missing source may have been written as: a path with "\\" (which
// only Windows reads as a separator) or a drive.
std::string sourcePathHint(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return {};
#else
    if (path.find('\\') == std::string::npos && path.find(':') == std::string::npos) return {};
    return " (a source path is relative to the description's folder and writes \"/\" between folders, as "
           "\"bin/program.exe\")";
#endif
}

// The stored name for `to` (may be empty) joined with `rest`.
std::string ComponentFields::storedName(const std::string& to, const std::string& rest) const {
    std::string name = to;
    if (!name.empty() && !rest.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
    name += rest;
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

void ComponentFields::addFile(ComponentSpec& component, const fs::path& path, const std::string& nameUtf8,
                              const toml::node& node, const std::string& field) {
    SourceFile file;
    file.path = path;
    file.line = lineOf(node);
    std::string name = nameUtf8;
    std::replace(name.begin(), name.end(), '/', '\\');
    std::string problem;
    file.storedName = r_.encode(name, node, field);
    const std::string source = utf8FromPath(path);
    const std::string hint = sourcePathHint(source);
    if (!checkStoredName(file.storedName, problem)) {
        // A Windows path written as a source ("C:\\x\\a.exe") is a file not
        // found before it is a name that cannot be stored.
        std::string missing;
        if (!hint.empty() && !statSourceFile(path, file, missing)) r_.fail(node, field, "\"" + source + "\": " + missing + hint);
        r_.fail(node, field, "stored name \"" + nameUtf8 + "\" " + problem);
    }
    if (!statSourceFile(path, file, problem)) r_.fail(node, field, "\"" + source + "\": " + problem + hint);
    checkNameIsFree(foldedName(name), nameUtf8, node, field);
    component.files.push_back(std::move(file));
}

// Names are compared in their folded form, as Windows compares them. A
// name may be neither a file twice, nor a file and a folder of another
// file at once: the installation would fail part-way.
void ComponentFields::checkNameIsFree(const std::string& folded, const std::string& nameUtf8,
                                      const toml::node& node, const std::string& field) {
    const std::string quoted = "stored name \"" + nameUtf8 + "\"";
    if (fileNames_.count(folded) != 0) r_.fail(node, field, quoted + " is used twice in this component");
    if (folderNames_.count(folded) != 0) {
        r_.fail(node, field, quoted + " is also a folder of another file of this component");
    }
    for (std::size_t slash = folded.find('\\'); slash != std::string::npos; slash = folded.find('\\', slash + 1)) {
        const std::string folder = folded.substr(0, slash);
        if (fileNames_.count(folder) != 0) {
            r_.fail(node, field, quoted + " lies in a folder that is also a file of this component");
        }
        folderNames_.insert(folder);
    }
    fileNames_.insert(folded);
}

void ComponentFields::readFiles(const toml::array& files, const std::string& context, ComponentSpec& component) {
    for (std::size_t i = 0; i < files.size(); ++i) r_.attempt([&] { readFileEntry(files[i], i, context, component); });
}

void ComponentFields::readFileEntry(const toml::node& entry, std::size_t i, const std::string& context,
                                    ComponentSpec& component) {
    {
        const std::string field = context + ".files[" + std::to_string(i) + "]";
        if (entry.is_string()) {
            const std::string source = r_.utf8(entry, field);
            addFile(component, r_.base() / pathFromUtf8(source), fileNameOf(source), entry, field);
            return;
        }
        const toml::table& table = r_.asTable(entry, field);
        r_.checkKeys(table, {"source", "folder", "glob", "to"}, field, lineOf(table));
        const toml::node* source = table.get("source");
        const toml::node* folder = table.get("folder");
        const toml::node* pattern = table.get("glob");
        const toml::node* toNode = table.get("to");
        if ((source != nullptr) + (folder != nullptr) + (pattern != nullptr) != 1) {
            r_.fail(table, field, "needs exactly one of source, folder and glob");
        }
        const std::string to = toNode != nullptr ? r_.utf8(*toNode, field + ".to") : std::string();
        if (source != nullptr) {
            const std::string path = r_.utf8(*source, field + ".source");
            addFile(component, r_.base() / pathFromUtf8(path), toNode != nullptr ? to : fileNameOf(path), table,
                    field);
        } else if (folder != nullptr) {
            const std::string path = r_.utf8(*folder, field + ".folder");
            std::vector<std::string> relative;
            std::string problem;
            if (!listFolder(r_.base() / pathFromUtf8(path), relative, problem)) r_.fail(*folder, field + ".folder", "\"" + path + "\": " + problem);
            for (const std::string& rel : relative) {
                addFile(component, r_.base() / pathFromUtf8(path) / pathFromUtf8(rel), storedName(to, rel), table, field);
            }
        } else {
            const std::string glob = r_.utf8(*pattern, field + ".glob");
            std::vector<std::string> matches;
            std::string problem;
            if (!expandGlob(r_.base(), glob, matches, problem)) r_.fail(*pattern, field + ".glob", "\"" + glob + "\": " + problem);
            for (const std::string& match : matches) {
                addFile(component, r_.base() / pathFromUtf8(match), storedName(to, fileNameOf(match)), table, field);
            }
        }
    }
}

// A key path whose first level is a registry root ("HKLM\\Software\\..."):
// the root is a field of its own, and the setup program would make a key
// named "HKLM" below it.
std::string rootInKeyProblem(const std::string& key) {
    static const char* const kRoots[] = {"HKLM", "HKCU", "HKCR", "HKU", "HKCC",
                                         "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                                         "HKEY_USERS", "HKEY_CURRENT_CONFIG", "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA"};
    const std::string first = key.substr(0, key.find('\\'));
    for (const char* root : kRoots) {
        if (first.size() != std::strlen(root)) continue;
        bool same = true;
        for (std::size_t i = 0; i < first.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(first[i])) == root[i];
        if (!same) continue;
        const std::string rest = first.size() < key.size() ? key.substr(first.size() + 1) : std::string();
        return "\"" + key + "\" begins with the registry root " + first +
               ", which the setup program would make a key of; the root is given apart, and the key starts below it" +
               (rest.empty() ? std::string() : " (\"" + rest + "\")");
    }
    return {};
}

u32 ComponentFields::rootKey(const toml::table& table, const std::string& field) const {
    const toml::node* root = table.get("root");
    if (root == nullptr) r_.fail(table, field + ".root", "is missing");
    const std::string name = r_.utf8(*root, field + ".root");
    if (name == "HKLM" || name == "HKEY_LOCAL_MACHINE") return fmt::kRootLocalMachine;
    if (name == "HKCU" || name == "HKEY_CURRENT_USER") return fmt::kRootCurrentUser;
    r_.fail(*root, field + ".root", "must be \"HKLM\" or \"HKCU\"");
}

// Copies the text of `key` into a 128-byte field; `required` texts must be present.
void ComponentFields::actionText(const toml::table& table, const char* key, bool required,
                                 const std::string& field, char (&out)[fmt::kFieldTextSize]) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
        if (required) r_.fail(table, field + "." + key, "is missing");
        return;
    }
    const std::string value = r_.text(*node, field + "." + key, fmt::kFieldTextSize - 1);
    if (required && value.empty()) r_.fail(*node, field + "." + key, "is empty");
    std::memcpy(out, value.data(), value.size());
}

// A file name an action makes or names, by the stored-name rule.
void ComponentFields::checkActionName(const toml::table& table, const char* key, const char* text,
                                      const char* suffix, const std::string& field, const char* what) const {
    std::string problem;
    const std::string name = std::string(text) + suffix;
    if (!checkStoredName(name, problem)) {
        r_.fail(*table.get(key), field + "." + key, "\"" + name + "\" cannot be " + what + ": it " + problem);
    }
}

void ComponentFields::checkKeyBelowRoot(const toml::table& table, const char* key, const std::string& field) const {
    const std::string problem = rootInKeyProblem(key);
    if (!problem.empty()) r_.fail(*table.get("key"), field + ".key", problem);
}

// A key written with macros expanded must stay within 259 characters
// with the longest install folder the setup program accepts.
void ComponentFields::checkExpandedKey(const toml::table& table, const char* key, const std::string& field) const {
    const std::size_t folder =
        worstInstallDirLength(d_.texts[slotIndex(offsetof(fmt::TextSlots, defaultInstallDir))]);
    const std::size_t length = expandedLength(key, folder);
    if (length > kMaxRegistryKeyLength) {
        r_.fail(*table.get("key"), field + ".key",
                "is " + std::to_string(length) + " characters with an install folder of " + std::to_string(folder) +
                    " for $(ExtrPath), more than the " + std::to_string(kMaxRegistryKeyLength) +
                    " a registry key may have");
    }
}

fmt::InstallAction ComponentFields::readAction(const toml::table& table, const std::string& field) const {
    fmt::InstallAction action{};
    const toml::node* type = table.get("type");
    if (type == nullptr) r_.fail(table, field + ".type", "is missing");
    const std::string kind = r_.utf8(*type, field + ".type");
    if (kind == "desktop-shortcut" || kind == "programs-shortcut") {
        r_.checkKeys(table, {"type", "program", "name", "arguments"}, field, lineOf(table));
        action.type = kind == "desktop-shortcut" ? fmt::kActionDesktopShortcut : fmt::kActionProgramsShortcut;
        actionText(table, "program", true, field, action.arg1);
        actionText(table, "name", true, field, action.arg2);
        actionText(table, "arguments", false, field, action.arg3);
        checkActionName(table, "program", action.arg1, "", field, "a file in the install folder");
        checkActionName(table, "name", action.arg2, ".lnk", field, "a shortcut file");
    } else if (kind == "registry-value") {
        r_.checkKeys(table, {"type", "root", "key", "value", "data"}, field, lineOf(table));
        action.type = fmt::kActionRegistryValue;
        action.rootKey = rootKey(table, field);
        actionText(table, "key", true, field, action.arg1);
        actionText(table, "value", false, field, action.arg2);
        actionText(table, "data", false, field, action.arg3);
        checkKeyBelowRoot(table, action.arg1, field);
        checkExpandedKey(table, action.arg1, field);
    } else if (kind == "remove-file" || kind == "remove-file-flagged") {
        r_.checkKeys(table, {"type", "path"}, field, lineOf(table));
        action.type = kind == "remove-file" ? fmt::kActionRemoveFile : fmt::kActionRemoveFileFlagged;
        actionText(table, "path", true, field, action.arg1);
        checkActionName(table, "path", action.arg1, "", field, "a file in the install folder");
    } else if (kind == "remove-key" || kind == "remove-key-flagged") {
        r_.checkKeys(table, {"type", "root", "key"}, field, lineOf(table));
        action.type = kind == "remove-key" ? fmt::kActionRemoveKey : fmt::kActionRemoveKeyFlagged;
        action.rootKey = rootKey(table, field);
        actionText(table, "key", true, field, action.arg1);
        checkKeyBelowRoot(table, action.arg1, field);
    } else {
        r_.fail(*type, field + ".type",
                "unknown action \"" + kind + "\" (known: desktop-shortcut, programs-shortcut, registry-value, "
                "remove-file, remove-file-flagged, remove-key, remove-key-flagged)");
    }
    return action;
}

}  // namespace mkpackage
