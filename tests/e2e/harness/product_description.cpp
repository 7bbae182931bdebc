#include "product_description.h"

#include <cstdio>
#include <sstream>

namespace e2e {
namespace {

constexpr Milliseconds kBuildTimeout{60000};

}  // namespace

void ProductDescription::setText(const std::string& slot, const std::string& text) {
    for (auto& entry : texts) {
        if (entry.first == slot) {
            entry.second = text;
            return;
        }
    }
    texts.emplace_back(slot, text);
}

std::string tomlString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string ProductDescription::toToml() const {
    std::ostringstream out;
    out << "[product]\n"
        << "name = " << tomlString(name) << "\n"
        << "version = " << tomlString(version) << "\n"
        << "registry-key = " << tomlString(registryKey) << "\n"
        << "default-folder = " << tomlString(defaultFolder) << "\n"
        << "log-name = " << tomlString(logName) << "\n";
    for (const std::string& line : productLines) out << line << "\n";
    out << "\n[texts]\n";
    for (const auto& [slot, text] : texts) out << slot << " = " << tomlString(text) << "\n";
    if (!directXReasons.empty()) {
        out << "dxReasons = [";
        for (size_t i = 0; i < directXReasons.size(); ++i)
            out << (i ? ", " : "") << tomlString(directXReasons[i]);
        out << "]\n";
    }
    out << "\n[options]\nflags = [";
    for (size_t i = 0; i < flags.size(); ++i) out << (i ? ", " : "") << tomlString(flags[i]);
    out << "]\n";
    if (!components.empty()) {
        out << "default-selection = [";
        for (size_t i = 0; i < defaultSelection.size(); ++i)
            out << (i ? ", " : "") << tomlString(defaultSelection[i]);
        out << "]\n";
    }
    for (const std::string& line : options) out << line << "\n";
    for (const ComponentDescription& component : components) {
        out << "\n[[components]]\nname = " << tomlString(component.name) << "\nfiles = [";
        const char* separator = "";
        for (const std::string& file : component.files) {
            out << separator << tomlString(file);
            separator = ", ";
        }
        for (const std::string& entry : component.rawEntries) {
            out << separator << entry;
            separator = ", ";
        }
        out << "]\n";
    }
    if (!extraToml.empty()) out << "\n" << extraToml;
    for (const std::vector<std::string>& items : pages) {
        out << "\n[[pages]]\nitems = [\n";
        for (const std::string& item : items) out << "  " << item << ",\n";
        out << "]\n";
    }
    return out.str();
}

CommandResult buildInstaller(const std::string& descriptionPath, const std::string& outputPath,
                             const std::vector<std::string>& moreArguments) {
    std::vector<std::string> argv{E2E_MKPACKAGE, "build", descriptionPath, "-o", outputPath, "--stub",
                                  E2E_SETUP_STUB, "--uninstaller", E2E_UNINSTALLER};
    argv.insert(argv.end(), moreArguments.begin(), moreArguments.end());
    return runCommand(argv, kBuildTimeout, true);
}

bool packageBuilderAvailable() {
    static const bool available =
        runCommand({E2E_MKPACKAGE, "build", "--help"}, kBuildTimeout, true).exitCode == 0;
    return available;
}

std::string shortcutAction(const std::string& type, const std::string& program,
                           const std::string& name, const std::string& arguments) {
    return "[[components.actions]]\ntype = " + tomlString(type) + "\nprogram = " + tomlString(program) +
           "\nname = " + tomlString(name) + "\narguments = " + tomlString(arguments) + "\n\n";
}

std::string registryValueAction(const std::string& root, const std::string& key,
                                const std::string& value, const std::string& data) {
    return "[[components.actions]]\ntype = \"registry-value\"\nroot = " + tomlString(root) +
           "\nkey = " + tomlString(key) + "\nvalue = " + tomlString(value) + "\ndata = " +
           tomlString(data) + "\n\n";
}

std::string removeFileAction(const std::string& type, const std::string& path) {
    return "[[components.actions]]\ntype = " + tomlString(type) + "\npath = " + tomlString(path) + "\n\n";
}

std::string removeKeyAction(const std::string& type, const std::string& root, const std::string& key) {
    return "[[components.actions]]\ntype = " + tomlString(type) + "\nroot = " + tomlString(root) +
           "\nkey = " + tomlString(key) + "\n\n";
}

}  // namespace e2e
