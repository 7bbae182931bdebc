// Writes one flat JSON object per line: the format the scenario runner parses.
#ifndef E2E_ROBOT_JSON_LINE_H
#define E2E_ROBOT_JSON_LINE_H

#include <string>

namespace robot {

// Collects "key": value pairs and prints them as one line on stdout.
class JsonLine {
public:
    JsonLine& text(const char* key, const std::string& value);
    JsonLine& number(const char* key, long long value);
    JsonLine& flag(const char* key, bool value);
    JsonLine& rect(const char* key, long left, long top, long right, long bottom);
    // Prints the line and flushes, so that a reader sees each line at once.
    void print();

private:
    void key(const char* name);
    std::string body_;
};

// Quotes an 8-bit text as a JSON string; bytes above 0x7F become \u00XX
// (the runner maps them back to the same byte).
std::string quoteJson(const std::string& value);

}  // namespace robot

#endif
