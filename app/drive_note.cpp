#include "app/drive_note.h"

#include <cstring>

#include "app/framework/window_text_api.h"
#include "res/resource_ids.h"
#include "text/text.h"

namespace {

// A line of the dialog's font is eight vertical dialog units.
constexpr int kLineDialogUnits = 8;
constexpr int kBottomMarginDialogUnits = 3;

// An edit control breaks lines only at CR LF. A line feed is never the
// second byte of a Shift-JIS character, so each one is a line end.
Text WithEditLineEnds(const char* lines) {
    size_t length = std::strlen(lines);
    for (const char* at = lines; *at != '\0'; ++at) length += *at == '\n' ? 1 : 0;
    Text text(length, '\r');
    char* out = text.WritableData();
    if (out == nullptr) return text;
    for (const char* at = lines; *at != '\0'; ++at) {
        if (*at == '\n') ++out;
        *out++ = *at;
    }
    return text;
}

}  // namespace

// The area is a read-only edit control because it counts the lines it
// wraps to, in the dialog's own font, at the scale the system draws in. It
// ends the dialog, so the dialog's client area ends where it does; without
// lines it is hidden, and out of the Tab order with it.
void ShowDriveNote(HWND dialog, const char* lines) {
    HWND note = GetDlgItem(dialog, IDC_DRIVE_NOTE);
    SendTextMessage(note, WM_SETTEXT, 0, WithEditLineEnds(lines));
    const bool shown = lines[0] != '\0';
    const int lineCount = static_cast<int>(WindowApi().sendMessage(note, EM_GETLINECOUNT, 0, 0));

    RECT height = {0, 0, 0, shown ? lineCount * kLineDialogUnits + kBottomMarginDialogUnits : 0};
    MapDialogRect(dialog, &height);
    RECT area;
    GetWindowRect(note, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    SetWindowPos(note, nullptr, 0, 0, area.right - area.left, height.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    RECT frame;
    GetWindowRect(dialog, &frame);
    RECT client;
    GetClientRect(dialog, &client);
    const int nonClientHeight = frame.bottom - frame.top - client.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, nonClientHeight + area.top + height.bottom,
                 SWP_NOMOVE | SWP_NOZORDER);
}
