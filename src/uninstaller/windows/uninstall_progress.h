// The window that shows a removal: captioned with the log's text 10, the
// status text 11, the title of the phase under way and a bar of the
// entries done. Modeless; its messages are handled between two entries.
#ifndef UNINSTALLER_WINDOWS_UNINSTALL_PROGRESS_H
#define UNINSTALLER_WINDOWS_UNINSTALL_PROGRESS_H

#include <windows.h>

#include "uninstaller/removal/removal.h"
#include "uninstaller/uninstall_texts.h"

namespace uninstaller {

class ProgressWindow : public RemovalProgress {
public:
    ProgressWindow(HINSTANCE instance, const UninstallTexts& texts);
    ~ProgressWindow() override;
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void phase(const char* title, unsigned steps) override;
    void step() override;
    // Shows the last phase title with a full bar, then closes the window.
    void finish(const char* doneTitle);

private:
    void pumpMessages();

    HWND window_ = nullptr;
    unsigned done_ = 0;
};

// Removes nothing from the screen: the removal of an unattended run.
class NoProgress : public RemovalProgress {
public:
    void phase(const char*, unsigned) override {}
    void step() override {}
};

}  // namespace uninstaller

#endif
