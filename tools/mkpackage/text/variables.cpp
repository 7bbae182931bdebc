#include "text/variables.h"

namespace mkpackage {
namespace {

bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameCharacter(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

}  // namespace

bool isVariableName(std::string_view name) {
    if (name.empty() || !isNameStart(name.front())) return false;
    for (char c : name)
        if (!isNameCharacter(c)) return false;
    return true;
}

bool substituteVariables(std::string_view text, const Variables& variables, std::string& out, std::string& problem) {
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 3, "$${") == 0) {
            out += "${";
            i += 3;
            continue;
        }
        if (text.compare(i, 2, "${") != 0) {
            out += text[i++];
            continue;
        }
        const std::size_t close = text.find('}', i + 2);
        if (close == std::string_view::npos) {
            problem = "\"${\" without its \"}\" (write \"$${\" for a \"${\" of its own)";
            return false;
        }
        const std::string name(text.substr(i + 2, close - i - 2));
        const auto found = variables.find(name);
        if (found == variables.end()) {
            problem = "unknown variable \"${" + name + "}\" (give it with -D " + (isVariableName(name) ? name : "NAME") +
                      "=VALUE or in [variables])";
            return false;
        }
        out += found->second;
        i = close + 1;
    }
    return true;
}

bool parseVariableDefinition(std::string_view definition, std::string& name, std::string& value,
                             std::string& problem) {
    const std::size_t equals = definition.find('=');
    if (equals == std::string_view::npos) {
        problem = "-D " + std::string(definition) + ": needs the form NAME=VALUE";
        return false;
    }
    name = std::string(definition.substr(0, equals));
    value = std::string(definition.substr(equals + 1));
    if (!isVariableName(name)) {
        problem = "-D " + std::string(definition) +
                  ": a variable name is a letter or \"_\" followed by letters, digits, \"_\", \"-\" and \".\"";
        return false;
    }
    return true;
}

}  // namespace mkpackage
