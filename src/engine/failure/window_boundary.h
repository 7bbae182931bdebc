// A C++ exception must never unwind through system code: a throw out of a
// window or dialog procedure ends the process on this target. Every window
// and dialog procedure is registered through these wrappers, which catch a
// raised failure at the boundary and hand it to the one failure handler.
// While the run is already ending (the handler's message box or the
// rollback pumps messages), a further failure is dropped at the boundary:
// the first one is reported and decides the exit code.
//
//   DialogBoxParamA(instance, id, owner, guardedDialogProc<pageProc>, 0);
#ifndef ENGINE_FAILURE_WINDOW_BOUNDARY_H
#define ENGINE_FAILURE_WINDOW_BOUNDARY_H

#include <windows.h>

#include "base/process_state.h"
#include "engine/failure/failure.h"

namespace setup {

template <INT_PTR (*Procedure)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK guardedDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Procedure(window, message, wParam, lParam);
    } catch (xInstall* error) {
        if (endingRun) return 0;
        handleInstallFailure(error);
    }
}

template <LRESULT (*Procedure)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK guardedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Procedure(window, message, wParam, lParam);
    } catch (xInstall* error) {
        if (endingRun) return 0;
        handleInstallFailure(error);
    }
}

}  // namespace setup

#endif
