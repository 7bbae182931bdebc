#include "text/json_writer.h"

#include <cstdio>

namespace mkpackage {

std::string JsonWriter::quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
                    out += escape;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

void JsonWriter::beforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (hasItems_.empty()) return;
    out_ << (hasItems_.back() ? ",\n" : "\n") << std::string(2 * hasItems_.size(), ' ');
    hasItems_.back() = true;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    out_ << quoted(name) << ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    out_ << '{';
    hasItems_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    out_ << '[';
    hasItems_.push_back(false);
    return *this;
}

void JsonWriter::close(char bracket) {
    const bool items = hasItems_.back();
    hasItems_.pop_back();
    if (items) out_ << '\n' << std::string(2 * hasItems_.size(), ' ');
    out_ << bracket;
    if (hasItems_.empty()) out_ << '\n';
}

JsonWriter& JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::value(std::string_view text) {
    beforeValue();
    out_ << quoted(text);
    return *this;
}

JsonWriter& JsonWriter::value(std::uint64_t number) {
    beforeValue();
    out_ << number;
    return *this;
}

JsonWriter& JsonWriter::value(std::int64_t number) {
    beforeValue();
    out_ << number;
    return *this;
}

JsonWriter& JsonWriter::value(bool flag) {
    beforeValue();
    out_ << (flag ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    out_ << "null";
    return *this;
}

JsonWriter& JsonWriter::strings(const std::vector<std::string>& texts) {
    beginArray();
    for (const std::string& text : texts) value(text);
    return endArray();
}

}  // namespace mkpackage
