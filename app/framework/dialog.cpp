#include "app/framework/dialog.h"

#include <iterator>

#include "app/framework/application.h"
#include "app/framework/window_text_api.h"

const MessageMapEntry Dialog::kMessageEntries[] = {
    {WM_INITDIALOG, 0, 0, Handler(&Dialog::HandleInitDialog)},
    {WM_COMMAND, BN_CLICKED, IDOK, Handler(&Dialog::HandleOk)},
    {WM_COMMAND, BN_CLICKED, IDCANCEL, Handler(&Dialog::HandleCancel)},
};

const MessageMap Dialog::kMessageMap{nullptr, kMessageEntries, std::size(kMessageEntries)};

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() = default;

INT_PTR Dialog::DoModal() {
    Application& application = CurrentApplication();
    HWND owner = parent_;
    Dialog* mainWindow = application.MainWindow();
    if (owner == nullptr && mainWindow != nullptr && mainWindow != this) owner = mainWindow->Handle();
    return RunDialog(application.Instance(), templateId_, owner, &Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

const MessageMap* Dialog::GetMessageMap() const { return &kMessageMap; }

void Dialog::DoDataExchange(DataExchange&) {}

BOOL Dialog::OnInitDialog() {
    UpdateData(false);
    return TRUE;
}

void Dialog::OnOK() { EndDialog(IDOK); }

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

// While an exchange writes into a control, the control reports the change back
// to the dialog; those notifications are the exchange's own doing and reach no
// handler. The flag is the dialog's own: there is one user-interface thread,
// and a nested dialog is an object of its own with its own flag, so nothing
// wider than the dialog is needed to tell whose exchange is running.
void Dialog::UpdateData(bool saving) {
    const bool wasExchanging = exchanging_;
    exchanging_ = true;
    DataExchange exchange(window_, saving);
    DoDataExchange(exchange);
    exchanging_ = wasExchanging;
}

void Dialog::EndDialog(int result) { ::EndDialog(window_, result); }

void Dialog::FocusControl(int controlId) {
    WindowApi().sendMessage(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(controlId)), TRUE);
}

void Dialog::DefaultPaint() {
    PAINTSTRUCT paint;
    BeginPaint(window_, &paint);
    EndPaint(window_, &paint);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    RECT beforeInit = {};
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<Dialog*>(lParam)->window_ = window;
        GetWindowRect(window, &beforeInit);
    }
    // Messages that arrive before WM_INITDIALOG (font, creation) have no
    // dialog object yet and get the default handling.
    Dialog* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (dialog == nullptr) return FALSE;

    const INT_PTR result = dialog->Dispatch(message, wParam, lParam);
    // A dialog whose initialisation placed it stays where it was put; any
    // other would open wherever its template says, usually the top-left corner.
    if (message == WM_INITDIALOG && IsWindow(window) && !MovedSince(window, beforeInit)) CenterOverOwner(window);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        dialog->window_ = nullptr;
        Application& application = CurrentApplication();
        if (application.MainWindow() == dialog) application.SetMainWindow(nullptr);
    }
    return result;
}

bool Dialog::MovedSince(HWND window, const RECT& before) {
    RECT now = {};
    GetWindowRect(window, &now);
    return now.left != before.left || now.top != before.top;
}

void Dialog::CenterOverOwner(HWND window) {
    MONITORINFO monitor = {};
    // The size Windows 98 and 2000 introduced it with, the one every later system takes.
    static_assert(sizeof(MONITORINFO) == 40);
    monitor.cbSize = sizeof monitor;
    HWND owner = GetWindow(window, GW_OWNER);
    const bool overOwner = owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner);
    if (!GetMonitorInfoA(MonitorFromWindow(overOwner ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& area = monitor.rcWork;
    RECT around = area;
    if (overOwner) GetWindowRect(owner, &around);
    RECT rect = {};
    GetWindowRect(window, &rect);
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    LONG left = (around.left + around.right - width) / 2;
    LONG top = (around.top + around.bottom - height) / 2;
    // Kept inside the work area, the top-left corner winning when the box is larger.
    if (left + width > area.right) left = area.right - width;
    if (top + height > area.bottom) top = area.bottom - height;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool fromControl = message == WM_COMMAND && lParam != 0;
    if (fromControl && exchanging_) return TRUE;
    for (const MessageMap* map = GetMessageMap(); map != nullptr; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const MessageMapEntry& entry = map->entries[i];
            if (EntryMatches(entry, message, wParam)) return (this->*entry.handler)(wParam, lParam);
        }
    }
    return FALSE;
}

INT_PTR Dialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

INT_PTR Dialog::HandleOk(WPARAM, LPARAM) {
    OnOK();
    return TRUE;
}

INT_PTR Dialog::HandleCancel(WPARAM, LPARAM) {
    OnCancel();
    return TRUE;
}
