// A stand-in for the system's conversions in the native tests: the code page
// holds U+0000 to U+00FF as Latin-1; "ż" and "ł" it turns silently into "z"
// and "l" (a best fit that no flag stops); anything else becomes "?" with
// the default-character flag. Short forms come from a table of existing
// paths.
#ifndef TESTS_UNIT_ENGINE_PATHS_FAKE_CODE_PAGE_H
#define TESTS_UNIT_ENGINE_PATHS_FAKE_CODE_PAGE_H

#include <map>
#include <string>

#include "engine/paths/system_folder_name.h"

namespace testing_support {

class FakeCodePage final : public setup::AnsiCodePage {
public:
    std::size_t fromWide(const setup::WideChar* wide, std::size_t length, char* out, std::size_t size,
                         bool& usedDefault) override {
        usedDefault = false;
        if (length > size) return 0;
        for (std::size_t i = 0; i < length; ++i) {
            const char16_t c = wide[i];
            if (c < 0x100) out[i] = static_cast<char>(c);
            else if (c == u'ż') out[i] = 'z';
            else if (c == u'ł') out[i] = 'l';
            else {
                out[i] = '?';
                usedDefault = true;
            }
        }
        return length;
    }
    std::size_t toWide(const char* text, std::size_t length, setup::WideChar* out,
                       std::size_t size) override {
        if (length > size) return 0;
        for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<unsigned char>(text[i]);
        return length;
    }
};

class FakeShortNames final : public setup::ShortNames {
public:
    std::map<std::u16string, std::u16string> existing;
    bool shortForm(const setup::WideChar* path, setup::WideChar* out, std::size_t size) override {
        const auto found = existing.find(path);
        if (found == existing.end() || found->second.size() >= size) return false;
        found->second.copy(out, found->second.size());
        out[found->second.size()] = 0;
        return true;
    }
};

}  // namespace testing_support

#endif
