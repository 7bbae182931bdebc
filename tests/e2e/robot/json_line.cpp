#include "json_line.h"

#include <cstdio>

namespace robot {

std::string quoteJson(const std::string& value) {
    std::string out = "\"";
    for (unsigned char c : value) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
    return out;
}

void JsonLine::key(const char* name) {
    body_ += body_.empty() ? "{" : ",";
    body_ += quoteJson(name);
    body_ += ':';
}

JsonLine& JsonLine::text(const char* name, const std::string& value) {
    key(name);
    body_ += quoteJson(value);
    return *this;
}

JsonLine& JsonLine::number(const char* name, long long value) {
    key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::flag(const char* name, bool value) {
    key(name);
    body_ += value ? "true" : "false";
    return *this;
}

JsonLine& JsonLine::rect(const char* name, long left, long top, long right, long bottom) {
    key(name);
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "[%ld,%ld,%ld,%ld]", left, top, right, bottom);
    body_ += numbers;
    return *this;
}

void JsonLine::print() {
    std::string line = body_.empty() ? "{}" : body_ + "}";
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    body_.clear();
}

}  // namespace robot
