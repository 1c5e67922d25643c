#include "app/win32/system_family.h"

namespace {

constexpr DWORD kNotNtFamily = 0x80000000;  // GetVersion's top bit on Windows 95, 98 and ME

// QS_ALLINPUT as Windows 95, 98, ME and 2000 define it: keys, mouse, posted
// messages, timers, paint, sent messages and hot keys.
constexpr DWORD kClassicInput = QS_KEY | QS_MOUSE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE | QS_HOTKEY;
// Windows XP added raw input; Windows 8 touch and pointer input (QS_TOUCH and
// QS_POINTER, which headers aimed at XP leave out).
constexpr DWORD kRawInput = QS_RAWINPUT;
constexpr DWORD kTouchAndPointerInput = 0x0800 | 0x1000;

// The NT family's version as one number, 0x0501 for XP: GetVersion gives the
// major version in its lowest byte, the minor one in the next.
DWORD NtVersion(DWORD version) { return (version & 0xFF) << 8 | (version >> 8 & 0xFF); }

}  // namespace

bool IsWindows9x() { return (GetVersion() & kNotNtFamily) != 0; }

DWORD AllInputWakeMask() {
    const DWORD ntVersion = NtVersion(GetVersion());
    if (IsWindows9x() || ntVersion < 0x0501) return kClassicInput;
    if (ntVersion < 0x0602) return kClassicInput | kRawInput;
    return kClassicInput | kRawInput | kTouchAndPointerInput;
}
