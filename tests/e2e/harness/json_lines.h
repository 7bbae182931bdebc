// Reads the robot's output: one flat JSON object per line whose values are
// strings, integers, booleans or arrays of integers.
#ifndef E2E_HARNESS_JSON_LINES_H
#define E2E_HARNESS_JSON_LINES_H

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct JsonValue {
    enum class Kind { Text, Number, Boolean, Numbers } kind = Kind::Text;
    std::string text;
    long long number = 0;
    bool boolean = false;
    std::vector<long long> numbers;
};

using JsonObject = std::map<std::string, JsonValue>;

// Parses one line; nullopt if it is not such an object. "\u00XX" escapes
// become the single byte XX, as the robot writes 8-bit texts.
std::optional<JsonObject> parseJsonLine(const std::string& line);

// Accessors with defaults for missing or mistyped keys.
std::string textOf(const JsonObject& object, const std::string& key);
long long numberOf(const JsonObject& object, const std::string& key, long long fallback = 0);
bool flagOf(const JsonObject& object, const std::string& key);

}  // namespace e2e

#endif
