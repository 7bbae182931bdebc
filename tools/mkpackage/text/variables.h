// Variables of a description: `${NAME}` in any of its texts stands for the
// value of NAME, given by `-D NAME=VALUE` on the command line or in the
// [variables] table, so that a product's name and version are written once.
#ifndef MKPACKAGE_VARIABLES_H
#define MKPACKAGE_VARIABLES_H

#include <map>
#include <string>
#include <string_view>

namespace mkpackage {

using Variables = std::map<std::string, std::string>;

// A name is a letter or "_" followed by letters, digits, "_", "-" and ".".
bool isVariableName(std::string_view name);

// `text` with every "${NAME}" replaced by its value; "$${" stands for a
// literal "${". Values are not scanned again. False with `problem` for an
// unknown name or a "${" without its "}".
bool substituteVariables(std::string_view text, const Variables& variables, std::string& out, std::string& problem);

// Splits the "NAME=VALUE" of a -D option; false with `problem` when there is
// no "=" or the name is not a variable name.
bool parseVariableDefinition(std::string_view definition, std::string& name, std::string& value,
                             std::string& problem);

}  // namespace mkpackage

#endif
