#include "description/toml_prescan.h"

namespace mkpackage {

namespace {

bool outsideAscii(char c) { return static_cast<unsigned char>(c) >= 0x80; }

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool run(long& line, std::string& problem) {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '#') {
                skipComment();
            } else if ((c == '"' || c == '\'') && opensText()) {
                const bool multiLine = text_.substr(at_, 3) == std::string_view(c == '"' ? "\"\"\"" : "'''");
                at_ += multiLine ? 3 : 1;
                if (!skipText(c, multiLine)) break;
            } else if (outsideAscii(c)) {
                problem_ = "a character outside ASCII stands outside a quoted text (TOML allows it only in texts and comments)";
                break;
            } else {
                step();
            }
        }
        line = line_;
        problem = problem_;
        return problem_.empty();
    }

private:
    // A quote opens a text only where TOML lets one begin: after whitespace,
    // "=", "[", "{", "," or "." (a dotted key). Elsewhere, as in 0"x", the
    // parser reads on through it as part of a bare value, whose characters
    // it classifies.
    bool opensText() const {
        if (at_ == 0) return true;
        const char before = text_[at_ - 1];
        return before == ' ' || before == '\t' || before == '\n' || before == '\r' || before == '=' || before == '[' ||
               before == '{' || before == ',' || before == '.';
    }

    void step() {
        if (text_[at_] == '\n') ++line_;
        ++at_;
    }

    void skipComment() {
        while (at_ < text_.size() && text_[at_] != '\n') ++at_;
    }

    // Skips a quoted text whose opening quote is behind; false on a refused character.
    bool skipText(char quote, bool multiLine) {
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (c == quote) {
                if (!multiLine) {
                    ++at_;
                    return true;
                }
                // A run of three to five quotes ends the text: up to two belong to it.
                std::size_t run = 0;
                while (at_ < text_.size() && text_[at_] == quote) ++at_, ++run;
                if (run >= 3) return true;
                continue;
            }
            if (c == '\n' && !multiLine) {
                problem_ = std::string("a quoted text is not closed on its line (the closing ") + quote +
                           " is missing" + (quote == '"' ? ", or write \\\" for a quote inside the text)" : ")");
                return false;
            }
            if (c == '\\' && quote == '"') {
                step();
                if (at_ >= text_.size()) return true;
                if (multiLine && !skipEscape()) return false;
                if (!multiLine) step();
                continue;
            }
            step();
        }
        return true;
    }

    // At the character behind a backslash in a multi-line "\"\"\"" text.
    bool skipEscape() {
        if (outsideAscii(text_[at_])) {
            problem_ = "a character outside ASCII may not follow a backslash in a multi-line text";
            return false;
        }
        std::size_t ahead = at_;
        while (ahead < text_.size() && (text_[ahead] == ' ' || text_[ahead] == '\t' || text_[ahead] == '\r')) ++ahead;
        if (ahead >= text_.size() || text_[ahead] != '\n') {
            step();  // an ordinary escape: its one character
            return true;
        }
        // A line-ending backslash: the text goes on at the next character that is no whitespace.
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
            step();
        if (at_ < text_.size() && outsideAscii(text_[at_])) {
            problem_ = "a line continued with a backslash in a multi-line text may not go on with a character outside "
                       "ASCII; write it as \\uXXXX";
            return false;
        }
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    long line_ = 1;
    std::string problem_;
};

}  // namespace

bool prescanToml(std::string_view text, long& line, std::string& problem) {
    return Scanner(text).run(line, problem);
}

}  // namespace mkpackage
