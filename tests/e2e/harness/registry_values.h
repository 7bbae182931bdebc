// Every value of a registry key with its type, as Wine's reg.exe lists them.
#ifndef E2E_HARNESS_REGISTRY_VALUES_H
#define E2E_HARNESS_REGISTRY_VALUES_H

#include <map>
#include <string>

namespace e2e {

struct RegistryData {
    std::string type;  // "REG_SZ", "REG_DWORD", ...
    std::string data;  // as reg.exe prints it: a number as "0x1b"
    bool operator==(const RegistryData& other) const { return type == other.type && data == other.data; }
};

// The values of `key` (a full path such as "HKLM\\Software\\X") by name;
// empty when the key does not exist.
std::map<std::string, RegistryData> registryValues(const std::string& key);

// The lines of `reg query` output turned into values (the key's own lines
// and sub-keys left out).
std::map<std::string, RegistryData> parseRegistryValues(const std::string& output);

}  // namespace e2e

#endif
