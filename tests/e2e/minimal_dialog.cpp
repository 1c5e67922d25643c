// The smallest program with a modal dialog of the same kind as the main
// dialog: used only as a baseline for how long Wine takes from process start
// to a visible window, so the program's own start-up time can be judged.

#include <windows.h>

namespace {

constexpr int kBaselineDialog = 200;

INT_PTR CALLBACK BaselineProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(kBaselineDialog), nullptr, BaselineProc, 0);
    return 0;
}
