#include "tests/e2e/driver_names.h"

#include <oleacc.h>

#include <string>

#include "tests/e2e/driver_output.h"
#include "tests/e2e/driver_windows.h"

namespace {

bool ClassIs(HWND window, const wchar_t* name) { return lstrcmpiW(ClassName(window).c_str(), name) == 0; }

// Windows' oleacc names a combo box and a progress bar by their label, as it
// names an edit control; Wine's names them by their own window text (a combo
// box by its selected item, a progress bar by nothing). The driver applies
// the rule to them itself.
bool NamedByLabelOnWindows(HWND control) {
    return ClassIs(control, L"ComboBox") || ClassIs(control, L"msctls_progress32");
}

// The documented rule: walking back with GW_HWNDPREV, the first static text
// control, hidden or not; the walk stops at a control that is both a group
// start and a tab stop.
std::wstring LabelByRule(HWND control) {
    for (HWND before = GetWindow(control, GW_HWNDPREV); before != nullptr; before = GetWindow(before, GW_HWNDPREV)) {
        if (ClassIs(before, L"Static")) return WindowText(before);
        const LONG style = GetWindowLongW(before, GWL_STYLE);
        if ((style & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) break;
    }
    return {};
}

// The client object is the one a screen reader asks when a control takes
// the focus. An object without a name answers S_FALSE and no text.
bool OleaccName(HWND window, std::wstring& name) {
    IAccessible* accessible = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&accessible))) ||
        accessible == nullptr) {
        return false;
    }
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR text = nullptr;
    const bool answered = SUCCEEDED(accessible->get_accName(self, &text));
    accessible->Release();
    name = text != nullptr ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return answered;
}

std::wstring Shown(const std::wstring& name) { return name.empty() ? L"<none>" : name; }

}  // namespace

bool EmitAccessibleNames(HWND window) {
    CoInitialize(nullptr);
    std::wstring title;
    if (!OleaccName(window, title)) {
        EmitRaw("error", "oleacc gives no object for the window");
        return false;
    }
    Emit("title-name", Shown(title));
    int index = 0;
    for (HWND control = GetWindow(window, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        std::wstring name;
        const bool byRule = NamedByLabelOnWindows(control);
        if (byRule) {
            name = LabelByRule(control);
        } else if (!OleaccName(control, name)) {
            EmitRaw("error", "oleacc gives no object for control " + std::to_string(index));
            return false;
        }
        Emit("name" + std::to_string(index++), ClassName(control) + L"|" +
                                                   (IsWindowVisible(control) ? L"visible" : L"hidden") + L"|" +
                                                   Shown(name) + L"|" + (byRule ? L"label rule" : L"oleacc"));
    }
    return true;
}
