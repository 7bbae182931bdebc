#include "registry_values.h"

#include <sstream>

#include "wine_session.h"

namespace e2e {

std::map<std::string, RegistryData> parseRegistryValues(const std::string& output) {
    // A value line reads "    <name>    <type>    <data>"; names may hold blanks.
    std::map<std::string, RegistryData> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("    ", 0) != 0) continue;
        const std::size_t type = line.find("    REG_", 4);
        if (type == std::string::npos) continue;
        const std::size_t data = line.find("    ", type + 4);
        const std::string name = line.substr(4, type - 4);
        const std::string typeName = line.substr(type + 4, data == std::string::npos ? std::string::npos : data - type - 4);
        values[name] = {typeName, data == std::string::npos ? "" : line.substr(data + 4)};
    }
    return values;
}

std::map<std::string, RegistryData> registryValues(const std::string& key) {
    const CommandResult result = wineSession().run({"reg", "query", key}, Milliseconds(30000));
    if (result.exitCode != 0) return {};
    return parseRegistryValues(result.output);
}

}  // namespace e2e
