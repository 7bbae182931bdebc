#include "json_lines.h"

#include <cctype>
#include <cstdlib>

namespace e2e {
namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool object(JsonObject& out) {
        if (!take('{')) return false;
        if (take('}')) return atEnd();
        do {
            std::string key;
            JsonValue value;
            if (!string(key) || !take(':') || !parseValue(value)) return false;
            out[key] = std::move(value);
        } while (take(','));
        return take('}') && atEnd();
    }

private:
    void skipSpace() {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    bool take(char c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool atEnd() {
        skipSpace();
        return pos_ == text_.size();
    }
    bool string(std::string& out) {
        if (!take('"')) return false;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) return false;
            char e = text_[pos_++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'u': {
                if (pos_ + 4 > text_.size()) return false;
                unsigned long code = std::strtoul(text_.substr(pos_, 4).c_str(), nullptr, 16);
                if (code > 0xFF) return false;
                out += static_cast<char>(code);
                pos_ += 4;
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool integer(long long& out) {
        skipSpace();
        size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        if (pos_ == start) return false;
        out = std::strtoll(text_.substr(start, pos_ - start).c_str(), nullptr, 10);
        return true;
    }
    bool word(const char* w) {
        skipSpace();
        std::string expected(w);
        if (text_.compare(pos_, expected.size(), expected) != 0) return false;
        pos_ += expected.size();
        return true;
    }
    bool parseValue(JsonValue& value) {
        skipSpace();
        if (pos_ >= text_.size()) return false;
        char c = text_[pos_];
        if (c == '"') {
            value.kind = JsonValue::Kind::Text;
            return string(value.text);
        }
        if (c == '[') {
            ++pos_;
            value.kind = JsonValue::Kind::Numbers;
            if (take(']')) return true;
            do {
                long long n;
                if (!integer(n)) return false;
                value.numbers.push_back(n);
            } while (take(','));
            return take(']');
        }
        if (word("true") || word("false")) {
            value.kind = JsonValue::Kind::Boolean;
            value.boolean = text_[pos_ - 4] == 't';
            return true;
        }
        value.kind = JsonValue::Kind::Number;
        return integer(value.number);
    }

    const std::string& text_;
    size_t pos_ = 0;
};

}  // namespace

std::optional<JsonObject> parseJsonLine(const std::string& line) {
    JsonObject object;
    Reader reader(line);
    if (!reader.object(object)) return std::nullopt;
    return object;
}

std::string textOf(const JsonObject& object, const std::string& key) {
    auto it = object.find(key);
    return it != object.end() && it->second.kind == JsonValue::Kind::Text ? it->second.text : "";
}

long long numberOf(const JsonObject& object, const std::string& key, long long fallback) {
    auto it = object.find(key);
    return it != object.end() && it->second.kind == JsonValue::Kind::Number ? it->second.number
                                                                             : fallback;
}

bool flagOf(const JsonObject& object, const std::string& key) {
    auto it = object.find(key);
    return it != object.end() && it->second.kind == JsonValue::Kind::Boolean && it->second.boolean;
}

}  // namespace e2e
