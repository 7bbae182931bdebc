#include "ui/common_controls.h"

#include "base/system_library.h"

namespace setup {

namespace {

using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);

}  // namespace

PropertySheetFunction loadCommonControls() {
    static HMODULE library = nullptr;
    static PropertySheetFunction propertySheet = nullptr;
    if (library != nullptr) return propertySheet;
    library = loadSystemLibrary("comctl32.dll");
    if (library == nullptr) return nullptr;
    auto initialise =
        systemFunction<InitCommonControlsExFunction>(library, "InitCommonControlsEx");
    if (initialise != nullptr) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_WIN95_CLASSES};
        initialise(&classes);
    }
    propertySheet = systemFunction<PropertySheetFunction>(library, "PropertySheetA");
    return propertySheet;
}

}  // namespace setup
