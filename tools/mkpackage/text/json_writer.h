// A JSON document written as it goes: objects, arrays, strings (UTF-8 in,
// escaped as JSON needs), integers and booleans, indented two spaces.
#ifndef MKPACKAGE_JSON_WRITER_H
#define MKPACKAGE_JSON_WRITER_H

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mkpackage {

class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    // Inside an object, key() names the value that follows.
    JsonWriter& key(std::string_view name);
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& value(std::string_view text);
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(std::uint64_t number);
    JsonWriter& value(std::int64_t number);
    JsonWriter& value(std::uint32_t number) { return value(std::uint64_t(number)); }
    JsonWriter& value(std::int32_t number) { return value(std::int64_t(number)); }
    JsonWriter& value(bool flag);
    JsonWriter& null();
    JsonWriter& strings(const std::vector<std::string>& texts);

    // The text of `text` as a JSON string, quotes included.
    static std::string quoted(std::string_view text);

private:
    void beforeValue();
    void close(char bracket);

    std::ostream& out_;
    std::vector<bool> hasItems_;  // per open container
    bool afterKey_ = false;
};

}  // namespace mkpackage

#endif
