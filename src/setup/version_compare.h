// Comparison of product version texts.
#ifndef SETUP_VERSION_COMPARE_H
#define SETUP_VERSION_COMPARE_H

namespace setup {

// Compares two version texts character by character as unsigned bytes after
// folding ASCII A-Z to lower case; the first difference decides and a text
// that ends first sorts first. Returns <0, 0 or >0 like strcmp. So "1.10"
// sorts before "1.9", and "1.00H" equals "1.00h".
int compareVersions(const char* a, const char* b);

}  // namespace setup

#endif
