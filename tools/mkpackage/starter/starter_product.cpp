#include "starter/starter_product.h"

#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "common/file_open.h"
#include "common/input_error.h"
#include "common/path_text.h"
#include "description/description_reader.h"
#include "format/text_slots.h"
#include "sources/placeholder_media.h"
#include "text/code_page.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;

std::string tomlString(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

void writeFile(const fs::path& path, const void* data, std::size_t size) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) throw InputError(utf8FromPath(path) + ": cannot write");
}

void writeText(const fs::path& path, const std::string& text) { writeFile(path, text.data(), text.size()); }

void writeBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) { writeFile(path, bytes.data(), bytes.size()); }

// The single-byte Windows code pages a starter product may take, the
// Western one first.
constexpr unsigned kStarterCodePages[] = {1252, 1250, 1251, 1253, 1254, 1257, 1258, 1255, 1256, 874};

// The code pages of kStarterCodePages that hold `utf8`.
std::vector<unsigned> codePagesHolding(const std::string& utf8) {
    std::vector<unsigned> found;
    for (unsigned codePage : kStarterCodePages) {
        try {
            std::string problem;
            if (TextEncoder(codePage).encode(utf8, problem)) found.push_back(codePage);
        } catch (const std::invalid_argument&) {
            // Not available on this system.
        }
    }
    return found;
}

// The characters of `utf8` (whole UTF-8 sequences) outside ASCII.
std::vector<std::string> nonAsciiCharacters(const std::string& utf8) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < utf8.size();) {
        std::size_t length = 1;
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead >= 0xF0) length = 4;
        else if (lead >= 0xE0) length = 3;
        else if (lead >= 0xC0) length = 2;
        if (lead >= 0x80) out.push_back(utf8.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace

unsigned starterCodePage(const std::string& name) {
    const std::vector<unsigned> holding = codePagesHolding(name);
    if (!holding.empty()) return holding.front();
    std::string detail;
    for (const std::string& character : nonAsciiCharacters(name)) {
        const std::vector<unsigned> pages = codePagesHolding(character);
        detail += (detail.empty() ? "" : ", ") + std::string("\"") + character + "\" " +
                  (pages.empty() ? std::string("in none") : "in " + std::to_string(pages.front()));
    }
    throw InputError("--name \"" + name + "\": no single-byte Windows code page holds all of its characters (" + detail +
                     "); the setup program stores texts in one such code page: choose a name that one of them holds, "
                     "then set code-page in product.toml to it");
}

std::string starterDescription(const std::string& name) {
    const std::string q = tomlString(name);
    const unsigned codePage = starterCodePage(name);
    std::string t;
    t += "# The description of " + name + "'s installer.\n"
         "# Build it with: mkpackage build product.toml -o setup.exe\n"
         "# Paths are relative to this file; texts are UTF-8 and are stored in the code page below.\n"
         "\n"
         "code-page = " + std::to_string(codePage) + (codePage == 1252 ? std::string() : "   # holds the product's name") + "\n"
         "\n"
         "[product]\n"
         "name = " + q + "\n"
         "version = \"1.00\"                    # compared with the installed \"Version\"\n"
         "# What the list of installed programs and the installer's own file show:\n"
         "# publisher = \"Example Company\"\n"
         "# display-version = \"1.0.0\"         # default: version\n"
         "# about-url = \"https://example.com/\"\n"
         "# copyright = \"Copyright (c) Example Company\"\n"
         "# installer-icon = \"pictures/info.ico\"\n"
         "# Left out: registry-key \"Software\\<name>\", default-folder\n"
         "# \"$(BootDrive):\\Program Files\\<name>\\\", log-name \"InstallLog\", uninstaller \"UnInst.exe\".\n"
         "\n"
         "# [texts]: every text the installer shows has a default, most of them made\n"
         "# from the name (mkpackage inspect lists them all); set any text slot there\n"
         "# to change it, for example:\n"
         "# [texts]\n"
         "# msgConfirmInstall = " + tomlString("This will install " + name + ".\n\nDo you want to continue?") + "\n"
         "\n"
         "[options]\n"
         "# \"uninstall-entry\" and \"uninstall-shortcut\" store the uninstaller (product.uninstaller)\n"
         "# in a component of its own that every selection takes; [uninstaller] bundle = false\n"
         "# leaves it out.\n"
         "flags = [\"desktop-shortcuts\", \"start-menu-shortcuts\", \"uninstall-entry\", \"uninstall-shortcut\"]\n"
         "preset-1 = [\"Program\"]                      # \"Minimal\"\n"
         "default-selection = [\"Program\", \"Documentation\"]   # \"Typical\", chosen at first\n"
         "preset-3 = [\"Program\", \"Documentation\", \"Samples\"]    # \"Complete\"\n"
         "# A product that needs DirectX names the component holding the DirectX setup\n"
         "# (dsetup.dll), the version it needs and the index of its DirectX page, which\n"
         "# is dropped when the installed DirectX suffices:\n"
         "# directx-components = [\"DirectX\"]\n"
         "# required-directx = 0x00040005        # DirectX 5\n"
         "# directx-page = 1\n"
         "control-ex-style = 0\n"
         "text-alignment = \"left\"\n"
         "\n"
         "[images]\n"
         "progress-animation = \"progress\"\n"
         "updating-system = \"info\"\n"
         "undoing = \"undo\"\n"
         "removing-previous = \"remove\"\n"
         "replace-dialog = \"replace\"\n"
         "directx-cleanup = \"remove\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"progress\"\n"
         "file = \"pictures/progress.avi\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"info\"\n"
         "file = \"pictures/info.ico\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"undo\"\n"
         "file = \"pictures/undo.ico\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"remove\"\n"
         "file = \"pictures/remove.ico\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"replace\"\n"
         "file = \"pictures/replace.ico\"\n"
         "\n"
         "[[pictures]]\n"
         "name = \"wizard\"\n"
         "file = \"pictures/wizard.bmp\"       # 120 x 224 pixels: framed, the page's full height\n"
         "\n"
         "[[components]]\n"
         "name = \"Program\"\n"
         "files = [\n"
         "  \"files/readme.txt\",\n"
         "  { source = \"files/settings.ini\", to = \"Config\\\\settings.ini\" },\n"
         "]\n"
         "\n"
         "[[components.actions]]\n"
         "type = \"desktop-shortcut\"\n"
         "program = \"readme.txt\"\n"
         "name = " + tomlString(name + " Read Me") + "\n"
         "\n"
         "[[components.actions]]\n"
         "type = \"programs-shortcut\"\n"
         "program = \"readme.txt\"\n"
         "name = " + tomlString(name + "\\Read Me") + "\n"
         "\n"
         "[[components.actions]]\n"
         "type = \"registry-value\"\n"
         "root = \"HKLM\"\n"
         "key = " + tomlString("Software\\" + name + "\\Settings") + "\n"
         "value = \"Path\"\n"
         "data = \"$(ExtrPath)\"\n"
         "\n"
         "[[components]]\n"
         "name = \"Documentation\"\n"
         "files = [ { folder = \"files/docs\", to = \"Docs\" } ]\n"
         "\n"
         "[[components]]\n"
         "name = \"Samples\"\n"
         "files = [ { glob = \"files/samples/*.txt\", to = \"Samples\" } ]\n"
         "\n"
         "# 1: welcome\n"
         "[[pages]]\n"
         "items = [\n"
         "  { image = \"wizard\" },\n"
         "  { indent-left = 5 },\n"
         "  { text = \"Welcome\", flags = [\"bold\", \"arial\", \"large\"] },\n"
         "  { indent-left = 1 },\n"
         "  { space-above = 2 },\n"
         "  { text = " + tomlString("\nThis will install " + name + " on your computer.") + " },\n"
         "  { text = \"\\nIt is best to close all other programs before you go on.\" },\n"
         "  { text = \"Press Next to continue.\", flags = [\"bottom\"] },\n"
         "]\n"
         "\n"
         "# 2: notes\n"
         "[[pages]]\n"
         "items = [\n"
         "  { image = \"wizard\" },\n"
         "  { indent-left = 5 },\n"
         "  { text = \"Before You Install\", flags = [\"bold\", \"arial\", \"large\"] },\n"
         "  { indent-left = 1 },\n"
         "  { space-above = 2 },\n"
         "  { text = " + tomlString("\n" + name + " 1.00 is the first release.") + " },\n"
         "  { text = \"\\n\", flags = [\"small\"] },\n"
         "  { text = \"What it brings:\", flags = [\"bold\"] },\n"
         "  { indent-left = 6 },\n"
         "  { text = \"- the program and its settings\" },\n"
         "  { text = \"- a guide and the list of changes\" },\n"
         "  { text = \"- a sample to start from\" },\n"
         "  { indent-left = -6 },\n"
         "  { text = \"Press Next to continue.\", flags = [\"bottom\"] },\n"
         "]\n"
         "\n"
         "# 3: destination folder and disk space\n"
         "[[pages]]\n"
         "items = [\n"
         "  { image = \"wizard\" },\n"
         "  { indent-left = 5 },\n"
         "  { text = \"Destination Folder\", flags = [\"bold\", \"arial\", \"large\"] },\n"
         "  { indent-left = 1 },\n"
         "  { space-above = 2 },\n"
         "  { text = " + tomlString("\nSetup will install " + name + " in the folder below.") + " },\n"
         "  { text = \"\\nTo install it somewhere else, press Browse and choose another folder.\" },\n"
         "  { destination-group = true, flags = [\"bottom\"] },\n"
         "]\n"
         "\n"
         "# 4: shortcuts\n"
         "[[pages]]\n"
         "items = [\n"
         "  { image = \"wizard\" },\n"
         "  { indent-left = 5 },\n"
         "  { text = \"Shortcuts\", flags = [\"bold\", \"arial\", \"large\"] },\n"
         "  { indent-left = 1 },\n"
         "  { space-above = 2 },\n"
         "  { text = \"\\nSetup can make shortcuts for you.\" },\n"
         "  { indent-left = 6 },\n"
         "  { space-above = 6 },\n"
         "  { desktop-checkbox = \"Make shortcuts on the &desktop\" },\n"
         "  { start-menu-checkbox = \"Make shortcuts in the &Start menu\" },\n"
         "  { indent-left = -6 },\n"
         "  { text = \"Press Next to continue.\", flags = [\"bottom\"] },\n"
         "]\n"
         "\n"
         "# 5: setup type\n"
         "[[pages]]\n"
         "items = [\n"
         "  { image = \"wizard\" },\n"
         "  { indent-left = 5 },\n"
         "  { text = \"Setup Type\", flags = [\"bold\", \"arial\", \"large\"] },\n"
         "  { indent-left = 1 },\n"
         "  { space-above = 2 },\n"
         "  { text = \"\\nChoose what to install.\" },\n"
         "  { indent-left = 6 },\n"
         "  { space-above = 6 },\n"
         "  { preset-1-radio = \"&Minimal: the program only\" },\n"
         "  { default-selection-radio = \"&Typical: the program and its documentation\" },\n"
         "  { preset-3-radio = \"&Complete: everything\" },\n"
         "  { indent-left = -6 },\n"
         "  { required-space-text = \"\\nDisk space needed: \" },\n"
         "  { text = \"Press Finish to start installing.\", flags = [\"bottom\"] },\n"
         "]\n"
         "\n"
         "# [uninstaller] texts: the uninstaller's 19 texts, made from the name when left out.\n"
         "\n"
         "# Further languages: one table each, with its code page and the texts it\n"
         "# translates; a text left out is the builder's own in that language where it\n"
         "# has one, else the text above (with a warning). pages = [[...], ...] gives\n"
         "# the pages' texts in their order; the run speaks the user's language, or\n"
         "# the one /LANG=<code> names.\n"
         "# [translations.de]\n"
         "# code-page = 1252\n"
         "# name = \"Deutsch\"\n"
         "# [translations.de.texts]\n"
         "# msgConfirmInstall = " + tomlString("Dies installiert " + name + ".\n\nMöchten Sie fortfahren?") + "\n";
    return t;
}

unsigned writeStarterProduct(const fs::path& folder, const std::string& productName) {
    std::error_code ec;
    if (fs::exists(folder, ec) && !(fs::is_directory(folder, ec) && fs::is_empty(folder, ec))) {
        throw InputError(utf8FromPath(folder) + ": already exists and is not an empty folder");
    }
    const fs::path parent = folder.parent_path().empty() ? fs::path(".") : folder.parent_path();
    fs::create_directories(parent, ec);
    if (!fs::is_directory(parent, ec)) throw InputError(utf8FromPath(parent) + ": cannot create the folder");
    fs::path temp;
    std::string problem;
    if (!createUniqueFolder(parent, ".mkpackage-new-", temp, problem)) {
        throw InputError(utf8FromPath(parent) + ": cannot create a folder: " + problem);
    }
    try {
        const unsigned codePage = starterCodePage(productName);
        writeText(temp / "product.toml", starterDescription(productName));
        writeBytes(temp / "pictures" / "wizard.bmp", makeBitmapFile(120, 224, 0x1F3A93, 0x6FA8DC));
        writeBytes(temp / "pictures" / "progress.avi", makeAnimationFile(32, 8));
        writeBytes(temp / "pictures" / "info.ico", makeIconFile(0x2060C0));
        writeBytes(temp / "pictures" / "undo.ico", makeIconFile(0xC08020));
        writeBytes(temp / "pictures" / "remove.ico", makeIconFile(0xC03030));
        writeBytes(temp / "pictures" / "replace.ico", makeIconFile(0x30A040));
        writeText(temp / "files" / "readme.txt",
                  productName + "\r\n\r\nThis file was installed by the starter product of mkpackage.\r\n"
                                "Replace the files in files/ with your own.\r\n");
        writeText(temp / "files" / "settings.ini", "[Settings]\r\nFirstRun=1\r\n");
        writeText(temp / "files" / "docs" / "guide.txt", "How to use " + productName + ".\r\n");
        writeText(temp / "files" / "docs" / "changes.txt", "1.00: first release.\r\n");
        writeText(temp / "files" / "samples" / "first.txt", "A first sample for " + productName + ".\r\n");
        if (fs::exists(folder, ec)) fs::remove(folder);
        fs::rename(temp, folder);
        return codePage;
    } catch (const std::exception& e) {
        fs::remove_all(temp, ec);
        if (dynamic_cast<const InputError*>(&e) != nullptr) throw;
        throw InputError(utf8FromPath(folder) + ": " + e.what());
    }
}

}  // namespace mkpackage
