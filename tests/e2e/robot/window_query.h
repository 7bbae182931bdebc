// Finding, describing and driving the windows of another process.
#ifndef E2E_ROBOT_WINDOW_QUERY_H
#define E2E_ROBOT_WINDOW_QUERY_H

#include <windows.h>

#include <string>
#include <vector>

namespace robot {

// Which top-level windows a command looks at; empty fields match anything.
// Only visible windows match.
struct WindowFilter {
    std::string exe;         // base name of the owning process's image, any case
    std::string className;   // exact window class, e.g. "#32770"
    std::string title;       // exact window text
    std::string titleHas;    // part of the window text
};

// The visible top-level windows that pass the filter, in z-order.
std::vector<HWND> findWindows(const WindowFilter& filter);

// Window text through WM_GETTEXT, so that edit controls of another process
// report their contents; empty if the window does not answer in time.
std::string windowText(HWND window);
// Reads texts and states without sending messages (the text the system
// keeps for each window; no default button query, no check state): for the
// windows of a thread that does not pump while it works, such as the status
// popup during a removal.
void readWithoutMessages(bool on);
std::string className(HWND window);
// Full path of the image of the process that owns the window; empty if the
// process cannot be queried.
std::string processImagePath(HWND window);
// Its base name.
std::string processImageName(HWND window);
// The dialog's default push button id: the visible button with the
// BS_DEFPUSHBUTTON style, else DM_GETDEFID's answer if such a child exists;
// -1 if there is none.
int defaultButtonId(HWND dialog);

// One JSON line for a top-level window (kind "window": class, title, process,
// rectangle, state, default button and, for a message box, its text), then one
// line per descendant (kind "child"); a list box or combo box child carries
// its selected row and is followed by one line per row (kind "item").
void printWindow(HWND window);
void printWindowWithChildren(HWND window);

// Presses the button with the id: a posted WM_COMMAND with BN_CLICKED to the
// button's parent (or to the window itself when no child has the id), so that
// the robot never waits on a modal loop the click opens. With useBmClick the
// button gets a posted BM_CLICK instead.
enum class PressResult { Sent, NoSuchButton, Disabled, NotSent };
// A disabled button is not pressed: a user could not either.
PressResult pressButton(HWND window, int id, bool useBmClick);
// Ends the process that owns the window (exit code 99): for installers that
// a crashed test run left behind.
bool terminateOwner(HWND window);
// Sets the text of the window's child with the id (WM_SETTEXT, as typing a
// whole text would); false when there is no such child.
bool setControlText(HWND window, int id, const std::string& text);
// Makes row `index` the selection of the list box or combo box with the id
// and posts the notification a user's choice sends: CBN_SELCHANGE, or
// LBN_SELCHANGE (LBN_DBLCLK with doubleClick). False for a list that is
// missing, hidden or disabled, or a row it does not have.
bool selectListItem(HWND window, int id, int index, bool doubleClick);
// Posts Esc key down and up to the control that has the focus in the window's
// thread (the dialog manager turns it into IDCANCEL).
void pressEscape(HWND window);

}  // namespace robot

#endif
