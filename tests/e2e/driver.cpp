// End-to-end test driver: drives and inspects the running program from a
// second process. Each command-line argument is one step, "name" or
// "name:param[:param]"; the steps run in order and each prints "key=value"
// lines. The first failing step prints "error=..." and ends the driver with
// exit status 1.
//
//   main:<ms>            wait for the main dialog, shown and painted; remembers it and its process
//   title:<text>:<ms>    wait for any visible top-level window with that exact title;
//                        remembers it like the main dialog
//   box:<caption>:<ms>   wait for a visible message box with that caption; prints its text
//   box-ok               press OK in that message box
//   list                 drive list: count, items, current selection
//   serial | note | instruction   text of the serial field / note / hidden instruction line
//   controls             every child control: id, class, visibility, text
//   focus                id of the control that has the keyboard focus
//   select:<index>       choose a drive list item the way the user would
//   click:<id>           click a button (BM_CLICK)
//   command:<id>         send WM_COMMAND with BN_CLICKED for control <id>
//   type:<text>          type characters into the serial field (WM_CHAR)
//   key:<key>            press a key in the focused control: enter, esc, tab, down, up,
//                        alt+space, alt+f4
//   menu:<ms>            wait for a popup menu of the program, such as its system menu
//   repaint              invalidate the dialog so that it paints again
//   sysabout             choose the About item of the system menu
//   about:<ms>           wait for the About box; prints its title, texts and owner
//   about-ok             press OK in the About box
//   names:main|about|progress  what a screen reader calls that window and each of its
//                        controls (see driver_names.h)
//   rect                 window rectangle and topmost flag of the main dialog
//   windows:<title>      how many top-level windows carry that title
//   clipboard            clipboard content as CF_TEXT and CF_UNICODETEXT
//   seed-clipboard       put a marker text on the clipboard
//   wait-exit:<ms>       wait for the program's process to end; prints its exit status
//   winver               the Windows version this driver is told it runs on
//   click-holding-clipboard:<id>:<ms>  click a button while this process holds the clipboard for <ms>
//   refuse-marker        make the running copy's marker refuse every opener; prints what a start is told
//   second-start         minimise the main dialog and start its program again; prints
//                        its exit status, whether the dialog was restored, and the foreground
//   namesake-start       with a foreign topmost window titled like the main dialog
//                        above it, start the main dialog's program a second time;
//                        prints its exit status and which window is in the
//                        foreground afterwards
//   first-window:<ms>    wait for the program's first visible window: progress or main,
//                        and the system clock's milliseconds since 1970 when it was seen
//   progress:<ms>        wait for the progress window to name a drive it reads; prints
//                        its title, texts, place, topmost and taskbar flags
//   time:<name>          the system clock's milliseconds since 1970, as <name>-at
//   foreground           which window has the foreground: main, about or other
//   early-second-start   with another program's window in the foreground and another
//                        program's minimised dialog titled like the main dialog, start
//                        the program again as soon as its first copy has made its marker;
//                        prints which window of it was there then, the second copy's exit
//                        status, which window is in the foreground, and whether the
//                        minimised dialog stayed minimised and in the background
//   close-progress:sysclose|altf4|esc[:<ms>]  close the progress window as the taskbar's
//                        Close, Alt+F4 or Esc would; prints what its step line says
//                        when it waits for a request to end first, the program's exit
//                        status and how long it took to end (at most <ms>)
//   handover:<ms>        with the progress window pinned by a child window of the
//                        driver, whether the main dialog shows while it is still there
//   marker-gone:<ms>     wait until no copy of the program holds its marker
//   hold-clipboard-sync  keep Wine's X clipboard manager from starting, for as long as
//                        this driver runs (until its session ends); prints whether it could
//   aspi-probe           what the ASPI manager found by name answers
//   scsi-bus             register a SCSI bus in the hardware device map
//   pt-probe:<letter>:rw|ro  TEST UNIT READY through pass-through on that letter

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "tests/e2e/driver_clipboard.h"
#include "tests/e2e/driver_names.h"
#include "tests/e2e/driver_output.h"
#include "tests/e2e/driver_probes.h"
#include "tests/e2e/driver_windows.h"

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;
const wchar_t* const kMainTitle = L"KorvSerial";
const wchar_t* const kRunningMarker = L"KorvSerialPG";  // the mutex that marks a running copy
const wchar_t* const kDialogClass = L"#32770";

struct Session {
    HWND main = nullptr;
    HANDLE process = nullptr;
    DWORD processId = 0;
    HWND box = nullptr;
    HWND about = nullptr;
};

using Params = std::vector<std::wstring>;
using Step = std::function<bool(Session&, const Params&)>;

bool Fail(const std::string& reason) {
    EmitRaw("error", reason);
    return false;
}

DWORD ParamMs(const Params& params, size_t index, DWORD fallback) {
    if (index >= params.size()) return fallback;
    return static_cast<DWORD>(std::wcstoul(params[index].c_str(), nullptr, 10));
}

bool IsMainDialog(HWND window) {
    return IsWindowVisible(window) && WindowText(window) == kMainTitle && HasControl(window, IDC_DRIVE_LIST);
}

bool IsProgressWindow(HWND window) {
    return IsWindowVisible(window) && HasControl(window, IDC_PROGRESS_BAR) && WindowText(window) == kMainTitle;
}

bool IsProgramWindow(HWND window) { return IsProgressWindow(window) || IsMainDialog(window); }

// The shell's `date +%s%3N` reads the same clock.
std::string UnixMilliseconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    constexpr unsigned long long kIntervalsTo1970 = 116444736000000000ULL;
    const unsigned long long intervals = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return std::to_string((intervals - kIntervalsTo1970) / 10000);
}

bool NeedMain(const Session& session) { return session.main != nullptr && IsWindow(session.main); }

HWND Control(const Session& session, int id) { return GetDlgItem(session.main, id); }

constexpr DWORD kSettleMs = 30000;

// What the driver posted has been carried out (or ended the dialog). The
// hidden instruction line takes the marker: it shows nothing, and the program
// never sets its limit.
bool Settle(const Session& session) {
    return WaitPostedMessagesDone(Control(session, IDC_INSTRUCTION_LINE), kSettleMs) ||
           Fail("the program did not take the posted input");
}

void Remember(Session& session, HWND main) {
    session.main = main;
    GetWindowThreadProcessId(main, &session.processId);
    session.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, session.processId);
}

bool StepMain(Session& session, const Params& params) {
    const DWORD timeoutMs = ParamMs(params, 0, 60000);
    HWND main = WaitForWindow(IsMainDialog, timeoutMs);
    if (main == nullptr) return Fail("main dialog did not appear");
    // The drive list is filled by the first paint, which follows the showing.
    if (!WaitPainted(main, timeoutMs)) return Fail("main dialog did not paint");
    Remember(session, main);
    EmitRaw("main", "found");
    return true;
}

bool StepTitle(Session& session, const Params& params) {
    if (params.empty()) return Fail("title needs a text");
    const std::wstring title = params[0];
    HWND window = WaitForWindow([&](HWND w) { return IsWindowVisible(w) && WindowText(w) == title; },
                                ParamMs(params, 1, 60000));
    if (window == nullptr) return Fail("no window titled " + ToUtf8(title));
    Remember(session, window);
    EmitRaw("title", "found");
    return true;
}

bool StepBox(Session& session, const Params& params) {
    if (params.empty()) return Fail("box needs a caption");
    const std::wstring caption = params[0];
    HWND box = WaitForWindow(
        [&](HWND w) {
            return IsWindowVisible(w) && ClassName(w) == kDialogClass && !HasControl(w, IDC_DRIVE_LIST) &&
                   WindowText(w) == caption;
        },
        ParamMs(params, 1, 60000));
    if (box == nullptr) return Fail("no message box captioned " + ToUtf8(caption));
    session.box = box;
    if (session.process == nullptr) {
        GetWindowThreadProcessId(box, &session.processId);
        session.process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, session.processId);
    }
    Emit("box-caption", WindowText(box));
    HWND text = GetDlgItem(box, kMessageBoxTextId);
    Emit("box-text", text ? WindowText(text) : L"<none>");
    return true;
}

bool StepBoxOk(Session& session, const Params&) {
    if (session.box == nullptr) return Fail("no message box");
    PostMessageW(session.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return true;
}

bool StepList(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    HWND combo = Control(session, IDC_DRIVE_LIST);
    const LRESULT count = SendWithTimeout(combo, CB_GETCOUNT, 0, 0);
    EmitRaw("count", std::to_string(count));
    for (LRESULT i = 0; i < count; ++i) Emit("item" + std::to_string(i), ComboItemText(combo, static_cast<int>(i)));
    EmitRaw("cursel", std::to_string(SendWithTimeout(combo, CB_GETCURSEL, 0, 0)));
    return true;
}

Step TextOf(const char* key, int id) {
    return [key, id](Session& session, const Params&) {
        if (!NeedMain(session)) return Fail("no main dialog");
        Emit(key, WindowText(Control(session, id)));
        return true;
    };
}

BOOL CALLBACK EmitControl(HWND control, LPARAM) {
    const int id = GetDlgCtrlID(control);
    Emit("control" + std::to_string(id),
         ClassName(control) + L"|" + (IsWindowVisible(control) ? L"visible" : L"hidden") + L"|" + WindowText(control));
    return TRUE;
}

bool StepControls(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    EnumChildWindows(session.main, EmitControl, 0);
    return true;
}

bool StepFocus(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(session.main, nullptr);
    if (!GetGUIThreadInfo(thread, &info)) return Fail("no thread information");
    EmitRaw("focus", info.hwndFocus ? std::to_string(GetDlgCtrlID(info.hwndFocus)) : "none");
    if (info.hwndFocus != nullptr && ClassName(info.hwndFocus) == L"Edit") {
        DWORD selectionStart = 0;
        DWORD selectionEnd = 0;
        SendWithTimeout(info.hwndFocus, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart),
                        reinterpret_cast<LPARAM>(&selectionEnd));
        EmitRaw("selection", std::to_string(selectionStart) + "," + std::to_string(selectionEnd));
    }
    return true;
}

bool StepSelect(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.empty()) return Fail("select needs an index");
    HWND combo = Control(session, IDC_DRIVE_LIST);
    const int index = std::stoi(params[0]);
    SendWithTimeout(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendWithTimeout(session.main, WM_COMMAND, MAKEWPARAM(IDC_DRIVE_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    return true;
}

bool StepClick(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.empty()) return Fail("click needs an id");
    HWND button = Control(session, std::stoi(params[0]));
    if (button == nullptr) return Fail("no such control");
    // Posted: a button that ends the dialog must not leave the driver waiting.
    PostMessageW(button, BM_CLICK, 0, 0);
    return Settle(session);
}

// Another program holds the clipboard open while Copy is clicked, for as long
// as the step says; the click is posted, since a message box would block a
// sent one.
bool StepClickHoldingClipboard(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.size() < 2) return Fail("click-holding-clipboard needs an id and milliseconds");
    HWND button = Control(session, std::stoi(params[0]));
    if (button == nullptr) return Fail("no such control");
    if (!OpenClipboard(nullptr)) return Fail("the clipboard cannot be held");
    PostMessageW(button, BM_CLICK, 0, 0);
    Sleep(ParamMs(params, 1, 0));
    CloseClipboard();
    return Settle(session);
}

bool StepCommand(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.empty()) return Fail("command needs an id");
    const int id = std::stoi(params[0]);
    PostMessageW(session.main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(session, id)));
    return Settle(session);
}

bool StepType(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.empty()) return Fail("type needs a text");
    HWND field = Control(session, IDC_SERIAL);
    for (wchar_t c : params[0]) SendWithTimeout(field, WM_CHAR, c, 1);
    return true;
}

struct KeyStroke {
    const wchar_t* name;
    WPARAM key;
    bool withAlt;
};

constexpr KeyStroke kKeyStrokes[] = {
    {L"enter", VK_RETURN, false}, {L"esc", VK_ESCAPE, false}, {L"tab", VK_TAB, false},
    {L"down", VK_DOWN, false},    {L"up", VK_UP, false},      {L"alt+space", VK_SPACE, true},
    {L"alt+f4", VK_F4, true},
};

bool StepKey(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    if (params.empty()) return Fail("key needs a key");
    const KeyStroke* stroke = nullptr;
    for (const KeyStroke& candidate : kKeyStrokes) {
        if (params[0] == candidate.name) stroke = &candidate;
    }
    if (stroke == nullptr) return Fail("unknown key");
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(session.main, nullptr), &info);
    // Posted to the focused control, as the keyboard would, so that the
    // dialog's own message loop turns it into a command. A key pressed while
    // Alt is held comes as a system key with Alt's bit set.
    HWND target = info.hwndFocus ? info.hwndFocus : session.main;
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW(static_cast<UINT>(stroke->key), MAPVK_VK_TO_VSC)) << 16;
    const LPARAM alt = stroke->withAlt ? static_cast<LPARAM>(KF_ALTDOWN) << 16 : 0;
    const LPARAM released = static_cast<LPARAM>(KF_UP | KF_REPEAT) << 16;
    PostMessageW(target, stroke->withAlt ? WM_SYSKEYDOWN : WM_KEYDOWN, stroke->key, 1 | scan | alt);
    PostMessageW(target, stroke->withAlt ? WM_SYSKEYUP : WM_KEYUP, stroke->key, 1 | scan | alt | released);
    return Settle(session);
}

// A menu opened from the keyboard comes after the step that pressed the key
// has settled: the key's character is posted behind the step's marker.
bool StepMenu(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    const DWORD processId = session.processId;
    HWND menu = WaitForWindow(
        [&](HWND w) {
            return ProcessOf(w) == processId && IsWindowVisible(w) && ClassName(w) == L"#32768";
        },
        ParamMs(params, 0, 30000));
    if (menu == nullptr) return Fail("no menu opened");
    EmitRaw("menu", "open");
    return true;
}

bool StepRepaint(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    InvalidateRect(session.main, nullptr, TRUE);
    return WaitPainted(session.main, kSettleMs) || Fail("main dialog did not paint again");
}

bool StepSysAbout(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    PostMessageW(session.main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    return true;
}

std::string WindowRectText(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) + "," +
           std::to_string(rect.bottom);
}

bool StepAbout(Session& session, const Params& params) {
    if (!NeedMain(session)) return Fail("no main dialog");
    const DWORD processId = session.processId;
    HWND about = WaitForWindow(
        [&](HWND w) {
            return ProcessOf(w) == processId && w != session.main && IsWindowVisible(w) && ClassName(w) == kDialogClass;
        },
        ParamMs(params, 0, 30000));
    if (about == nullptr) return Fail("no About box");
    if (!WaitPainted(about, ParamMs(params, 0, 30000))) return Fail("the About box did not paint");
    session.about = about;
    Emit("about-title", WindowText(about));
    EmitRaw("about-owner", GetWindow(about, GW_OWNER) == session.main ? "main" : "other");
    EmitRaw("about-rect", WindowRectText(about));
    EmitRaw("about-main-rect", WindowRectText(session.main));
    int index = 0;
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        Emit("about-control" + std::to_string(index++), ClassName(child) + L"|" + WindowText(child));
    }
    return true;
}

bool StepAboutOk(Session& session, const Params&) {
    if (session.about == nullptr) return Fail("no About box");
    PostMessageW(session.about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    WaitUntil([&] { return !IsWindow(session.about); }, 5000);
    EmitRaw("about-closed", IsWindow(session.about) ? "0" : "1");
    return true;
}

bool StepNames(Session& session, const Params& params) {
    const std::wstring which = params.empty() ? L"main" : params[0];
    HWND window = session.main;
    if (which == L"about") window = session.about;
    if (which == L"progress") window = WaitForWindow(IsProgressWindow, 0);
    if (window == nullptr || !IsWindow(window)) return Fail("no " + ToUtf8(which) + " window to name");
    return EmitAccessibleNames(window);
}

bool StepRect(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    EmitRaw("rect", WindowRectText(session.main));
    const LONG exStyle = GetWindowLongW(session.main, GWL_EXSTYLE);
    EmitRaw("topmost", (exStyle & WS_EX_TOPMOST) ? "1" : "0");
    EmitRaw("visible", IsWindowVisible(session.main) ? "1" : "0");
    return true;
}

bool StepWindows(Session&, const Params& params) {
    const std::wstring title = params.empty() ? kMainTitle : params[0];
    int count = 0;
    for (HWND window : TopLevelWindows()) {
        if (WindowText(window) == title) ++count;
    }
    EmitRaw("windows", std::to_string(count));
    return true;
}

bool StepClipboard(Session&, const Params&) { return EmitClipboard() || Fail("clipboard cannot be opened"); }

bool StepSeedClipboard(Session&, const Params&) {
    return SeedClipboard(L"e2e-marker") || Fail("clipboard cannot be seeded");
}

bool StepWaitExit(Session& session, const Params& params) {
    if (session.process == nullptr) return Fail("no process to wait for");
    if (WaitForSingleObject(session.process, ParamMs(params, 0, 30000)) != WAIT_OBJECT_0) {
        EmitRaw("exit", "timeout");
        return false;
    }
    DWORD code = 0;
    GetExitCodeProcess(session.process, &code);
    EmitRaw("exit", std::to_string(code));
    return true;
}

// Wine reports the version of its per-program setting; the driver carries the
// same setting as the program, so this shows what the program was told.
bool StepWinVer(Session&, const Params&) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (!known) return Fail("GetVersionExW failed");
    EmitRaw("winver", std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) +
                          " platform=" + std::to_string(version.dwPlatformId));
    return true;
}

LRESULT CALLBACK NamesakeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A visible topmost window of another program, served by this thread.
HWND MakeForeignWindow(const wchar_t* className, const wchar_t* title) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = NamesakeProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    return CreateWindowExW(WS_EX_TOPMOST, className, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200, 100,
                           nullptr, nullptr, windowClass.hInstance, nullptr);
}

std::string ForegroundName(const Session& session, HWND namesake) {
    HWND foreground = GetForegroundWindow();
    if (foreground == session.main) return "main";
    if (foreground == namesake && namesake != nullptr) return "namesake";
    if (foreground == session.about && session.about != nullptr) return "about";
    if (foreground == session.box && session.box != nullptr) return "box";
    return "other";
}

// Waits for the process while serving the namesake's messages, which the
// system sends when another window takes the foreground from it.
DWORD WaitServingMessages(HANDLE process, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return WAIT_TIMEOUT;
        const DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) return woke;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
}

// Starts the program at `program` once more and waits for it to end, serving
// this thread's windows meanwhile; prints its exit status.
bool StartAgain(const wchar_t* program, DWORD length) {
    std::wstring commandLine = L"\"" + std::wstring(program, length) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
        return Fail("the second copy cannot be started");
    }
    CloseHandle(started.hThread);
    const bool ended = WaitServingMessages(started.hProcess, 60000) == WAIT_OBJECT_0;
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hProcess);
    EmitRaw("second-start-exit", ended ? std::to_string(code) : "timeout");
    return ended;
}

bool StepNamesakeStart(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    wchar_t program[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(session.process, 0, program, &length)) return Fail("the program's path is unknown");
    // Topmost like the main dialog and made after it, so that it lies above it.
    HWND namesake = MakeForeignWindow(L"KorvNamesake", kMainTitle);
    if (namesake == nullptr) return Fail("the namesake window cannot be made");
    SetForegroundWindow(namesake);
    EmitRaw("foreground-before", ForegroundName(session, namesake));

    const bool ended = StartAgain(program, length);
    EmitRaw("foreground", ForegroundName(session, namesake));
    DestroyWindow(namesake);
    return ended;
}

bool StepFirstWindow(Session&, const Params& params) {
    HWND window = WaitForWindow(IsProgramWindow, ParamMs(params, 0, 60000));
    const std::string seenAt = UnixMilliseconds();
    if (window == nullptr) return Fail("no window of the program appeared");
    EmitRaw("first-window", IsProgressWindow(window) ? "progress" : "main");
    EmitRaw("first-window-at", seenAt);
    return true;
}

bool StepProgress(Session&, const Params& params) {
    HWND progress = nullptr;
    const bool reading = WaitUntil(
        [&] {
            progress = WaitForWindow(IsProgressWindow, 0);
            return progress != nullptr && GetDlgItem(progress, IDC_PROGRESS_STEP) != nullptr &&
                   WindowText(GetDlgItem(progress, IDC_PROGRESS_STEP)).find(L"Reading drive") != std::wstring::npos;
        },
        ParamMs(params, 0, 60000));
    if (!reading) return Fail("the progress window named no drive");
    Emit("progress-title", WindowText(progress));
    Emit("progress-text", WindowText(GetDlgItem(progress, IDC_PROGRESS_TEXT)));
    Emit("progress-step", WindowText(GetDlgItem(progress, IDC_PROGRESS_STEP)));
    EmitRaw("progress-rect", WindowRectText(progress));
    const LONG exStyle = GetWindowLongW(progress, GWL_EXSTYLE);
    EmitRaw("progress-topmost", (exStyle & WS_EX_TOPMOST) ? "1" : "0");
    EmitRaw("progress-taskbar", (exStyle & WS_EX_APPWINDOW) ? "1" : "0");
    return true;
}

bool StepForeground(Session& session, const Params&) {
    EmitRaw("foreground", ForegroundName(session, nullptr));
    return true;
}

bool StepTime(Session&, const Params& params) {
    if (params.empty()) return Fail("time needs a name");
    EmitRaw(ToUtf8(params[0]) + "-at", UnixMilliseconds());
    return true;
}

DWORD ProcessIdOf(const wchar_t* executable) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && found == 0; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, executable) == 0) found = entry.th32ProcessID;
    }
    CloseHandle(snapshot);
    return found;
}

// Which of the running copy's windows has the foreground, if any.
std::string ForegroundOfCopy(DWORD runningCopy) {
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr || ProcessOf(foreground) != runningCopy) return "other";
    if (!IsWindowVisible(foreground)) return "hidden";
    return HasControl(foreground, IDC_PROGRESS_BAR) ? "progress" : "main";
}

// A copy that was killed is gone for the system before Wine's server has
// closed its handles; its marker may outlive it for a moment.
bool StepMarkerGone(Session&, const Params& params) {
    const bool gone = WaitUntil(
        [] {
            HANDLE marker = OpenMutexW(SYNCHRONIZE, FALSE, kRunningMarker);
            if (marker == nullptr) return true;
            CloseHandle(marker);
            return false;
        },
        ParamMs(params, 0, 30000));
    EmitRaw("marker", gone ? "gone" : "held");
    return gone;
}

// Wine's clipboard manager starts only once it owns a mutex named after the
// window station, so a process that owns it first keeps the manager from
// starting at all (why the suite wants that: keep_clipboard_local in
// tests/e2e/e2e_lib.sh).
// Owns the named mutex, if no one else does, until the driver is ended.
bool HoldMutex(const wchar_t* name, const char* key) {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, name);
    const bool first = mutex != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
    EmitRaw(key, first ? "held" : "running");
    if (!first) return false;
    Sleep(INFINITE);
    return true;
}

bool StepHoldClipboardSync(Session&, const Params&) { return HoldMutex(L"__wine_clipboard_WinSta0", "clipboard-sync"); }

// The running copy's marker in a process without any window, as a copy stuck
// in a driver's call before its first window holds it.
bool StepHoldMarker(Session&, const Params&) { return HoldMutex(kRunningMarker, "marker"); }

// Another program's dialog with the main dialog's caption, minimised: an
// installer's or an archive tool's message has the same title and class.
HWND MakeForeignMinimisedDialog() {
    HWND dialog = CreateWindowExW(0, kDialogClass, kMainTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  320, 320, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (dialog != nullptr) ShowWindow(dialog, SW_SHOWMINNOACTIVE);
    return dialog;
}

bool StepEarlySecondStart(Session&, const Params&) {
    HWND namesake = MakeForeignMinimisedDialog();
    if (namesake == nullptr) return Fail("the other program's dialog cannot be made");
    HWND other = MakeForeignWindow(L"KorvOtherProgram", L"Another program");
    if (other == nullptr) return Fail("the other program's window cannot be made");
    SetForegroundWindow(other);
    DWORD runningCopy = 0;
    HANDLE marker = nullptr;
    WaitUntil(
        [&] {
            marker = OpenMutexW(SYNCHRONIZE, FALSE, kRunningMarker);
            runningCopy = ProcessIdOf(L"KorvSerial.exe");
            return marker != nullptr && runningCopy != 0;
        },
        60000);
    if (marker == nullptr || runningCopy == 0) return Fail("the first copy made no marker");
    CloseHandle(marker);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, runningCopy);
    wchar_t program[MAX_PATH];
    DWORD length = MAX_PATH;
    const bool known = process != nullptr && QueryFullProcessImageNameW(process, 0, program, &length);
    if (process != nullptr) CloseHandle(process);
    if (!known) return Fail("the program's path is unknown");
    EmitRaw("window-at-second-start",
            WaitForWindow(IsProgressWindow, 0) ? "progress" : WaitForWindow(IsMainDialog, 0) ? "main" : "none");
    const bool ended = StartAgain(program, length);
    EmitRaw("foreground", ForegroundOfCopy(runningCopy));
    EmitRaw("namesake-minimised", IsIconic(namesake) ? "1" : "0");
    EmitRaw("namesake-foreground", GetForegroundWindow() == namesake ? "1" : "0");
    DestroyWindow(other);
    DestroyWindow(namesake);
    return ended;
}

// Posted as the taskbar's "Close window" and Alt+F4 reach a window, and Esc
// as the keyboard gives it to the dialog's own message loop.
void PostClose(HWND window, const std::wstring& how) {
    if (how == L"sysclose") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (how == L"altf4") {
        constexpr LPARAM kAltDown = 1 << 29;
        PostMessageW(window, WM_SYSKEYDOWN, VK_F4, kAltDown | 1);
        PostMessageW(window, WM_SYSKEYUP, VK_F4, kAltDown | 0xC0000001);
    } else {
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageW(window, WM_KEYUP, VK_ESCAPE, 0xC0000001);
    }
}

bool StepCloseProgress(Session&, const Params& params) {
    if (params.empty() || (params[0] != L"sysclose" && params[0] != L"altf4" && params[0] != L"esc")) {
        return Fail("close-progress needs sysclose, altf4 or esc");
    }
    HWND progress = WaitForWindow(IsProgressWindow, 60000);
    if (progress == nullptr) return Fail("no progress window");
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, ProcessOf(progress));
    if (process == nullptr) return Fail("the program's process cannot be opened");
    const DWORD timeoutMs = ParamMs(params, 1, 10000);
    const DWORD closedAt = GetTickCount();
    PostClose(progress, params[0]);
    std::wstring step;
    const auto closingSaid = [&] { return step.find(L"Closing") != std::wstring::npos; };
    WaitUntil(
        [&] {
            if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return true;
            step = WindowText(GetDlgItem(progress, IDC_PROGRESS_STEP));
            return closingSaid();
        },
        timeoutMs);
    // Read once more: the length and the text are two messages, and the
    // text may have changed between the two reads that saw it first.
    if (closingSaid()) Emit("closing-step", WindowText(GetDlgItem(progress, IDC_PROGRESS_STEP)));
    const bool ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    const DWORD took = GetTickCount() - closedAt;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EmitRaw("close-by", ToUtf8(params[0]));
    EmitRaw("exit", ended ? std::to_string(code) : "timeout");
    if (ended) EmitRaw("exit-after-ms", std::to_string(took));
    return ended;
}

// The main dialog of that process, shown; found without sending it anything.
bool MainDialogShown(DWORD processId) {
    return WaitForWindow(
               [&](HWND window) {
                   return ProcessOf(window) == processId && IsWindowVisible(window) &&
                          HasControl(window, IDC_DRIVE_LIST);
               },
               0) != nullptr;
}

// Whether the main dialog shows while the progress window is still there. A
// child window of this thread inside the progress window pins it: the
// progress window cannot go before this thread has answered for its child,
// which it does only once it has looked, however short the moment between
// the two. Where the program ends the progress window first, the dialog
// never comes while the pin holds, and the step says so after <ms>.
bool StepHandover(Session&, const Params& params) {
    const DWORD timeoutMs = ParamMs(params, 0, 60000);
    HWND progress = WaitForWindow(IsProgressWindow, timeoutMs);
    if (progress == nullptr) return Fail("no progress window");
    const DWORD processId = ProcessOf(progress);
    HWND pin = CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"Static", nullptr, WS_CHILD, 0, 0, 1, 1, progress, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (pin == nullptr) return Fail("the progress window cannot be pinned");
    const bool shownFirst = WaitUntil([&] { return MainDialogShown(processId); }, timeoutMs) && IsWindow(progress);
    EmitRaw("main-shown-before-progress-gone", shownFirst ? "1" : "0");
    const bool gone = WaitUntil(
        [&] {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            return !IsWindow(progress);
        },
        timeoutMs);
    EmitRaw("progress-gone", gone ? "1" : "0");
    return gone;
}

// With the main dialog minimised, starts its program again; prints the second
// copy's exit status, whether the dialog came back, and which window is in
// the foreground.
bool StepSecondStart(Session& session, const Params&) {
    if (!NeedMain(session)) return Fail("no main dialog");
    wchar_t program[MAX_PATH];
    DWORD length = MAX_PATH;
    if (!QueryFullProcessImageNameW(session.process, 0, program, &length)) return Fail("the program's path is unknown");
    // The dialog has no minimise box, so the system menu would refuse; the
    // taskbar minimises it this way.
    ShowWindowAsync(session.main, SW_MINIMIZE);
    if (!WaitUntil([&] { return IsIconic(session.main) != FALSE; }, 10000)) return Fail("the dialog was not minimised");
    const bool ended = StartAgain(program, length);
    // The running copy is restored without being waited for.
    WaitUntil([&] { return !IsIconic(session.main); }, 10000);
    EmitRaw("restored", IsIconic(session.main) ? "0" : "1");
    EmitRaw("foreground", ForegroundName(session, nullptr));
    return ended;
}

// Makes the running copy's marker refuse everyone, as the marker of a copy
// started with administrator rights refuses a standard user: its owner may
// still rewrite its access list, which then grants nothing. Prints what a
// later start is told.
bool StepRefuseMarker(Session&, const Params&) {
    HANDLE marker = OpenMutexW(WRITE_DAC, FALSE, kRunningMarker);
    if (marker == nullptr) return Fail("the running copy's marker cannot be opened");
    ACL empty;
    SECURITY_DESCRIPTOR descriptor;
    const bool refused = InitializeAcl(&empty, sizeof empty, ACL_REVISION) &&
                         InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                         SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE) &&
                         SetKernelObjectSecurity(marker, DACL_SECURITY_INFORMATION, &descriptor);
    CloseHandle(marker);
    if (!refused) return Fail("the marker's access list cannot be set");
    SetLastError(0xDEADBEEF);
    HANDLE again = CreateMutexW(nullptr, TRUE, kRunningMarker);
    EmitRaw("marker-create", again == nullptr ? "error=" + std::to_string(GetLastError()) : "granted");
    if (again != nullptr) CloseHandle(again);
    return true;
}

bool StepAspiProbe(Session&, const Params&) { return ProbeAspiManager(); }

bool StepScsiBus(Session&, const Params&) { return RegisterScsiBus(); }

bool StepPassThroughProbe(Session&, const Params& params) {
    if (params.size() < 2) return Fail("pt-probe needs a letter and rw or ro");
    return ProbePassThrough(params[0], params[1]);
}

const std::map<std::wstring, Step>& Steps() {
    static const std::map<std::wstring, Step> steps = {
        {L"main", StepMain},
        {L"title", StepTitle},
        {L"box", StepBox},
        {L"box-ok", StepBoxOk},
        {L"list", StepList},
        {L"serial", TextOf("serial", IDC_SERIAL)},
        {L"note", TextOf("note", IDC_NOTE)},
        {L"instruction", TextOf("instruction", IDC_INSTRUCTION_LINE)},
        {L"drive-note", TextOf("drive-note", IDC_DRIVE_NOTE)},
        {L"controls", StepControls},
        {L"focus", StepFocus},
        {L"select", StepSelect},
        {L"click", StepClick},
        {L"command", StepCommand},
        {L"type", StepType},
        {L"key", StepKey},
        {L"menu", StepMenu},
        {L"repaint", StepRepaint},
        {L"sysabout", StepSysAbout},
        {L"about", StepAbout},
        {L"about-ok", StepAboutOk},
        {L"names", StepNames},
        {L"rect", StepRect},
        {L"windows", StepWindows},
        {L"clipboard", StepClipboard},
        {L"seed-clipboard", StepSeedClipboard},
        {L"wait-exit", StepWaitExit},
        {L"winver", StepWinVer},
        {L"namesake-start", StepNamesakeStart},
        {L"second-start", StepSecondStart},
        {L"first-window", StepFirstWindow},
        {L"progress", StepProgress},
        {L"time", StepTime},
        {L"foreground", StepForeground},
        {L"early-second-start", StepEarlySecondStart},
        {L"close-progress", StepCloseProgress},
        {L"handover", StepHandover},
        {L"marker-gone", StepMarkerGone},
        {L"hold-clipboard-sync", StepHoldClipboardSync},
        {L"hold-marker", StepHoldMarker},
        {L"refuse-marker", StepRefuseMarker},
        {L"click-holding-clipboard", StepClickHoldingClipboard},
        {L"aspi-probe", StepAspiProbe},
        {L"scsi-bus", StepScsiBus},
        {L"pt-probe", StepPassThroughProbe},
    };
    return steps;
}

Params SplitStep(const std::wstring& argument, std::wstring& name) {
    Params params;
    size_t colon = argument.find(L':');
    name = argument.substr(0, colon);
    while (colon != std::wstring::npos) {
        size_t next = argument.find(L':', colon + 1);
        params.push_back(argument.substr(colon + 1, next == std::wstring::npos ? next : next - colon - 1));
        colon = next;
    }
    return params;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Session session;
    for (int i = 1; i < argc; ++i) {
        std::wstring name;
        Params params = SplitStep(argv[i], name);
        auto step = Steps().find(name);
        if (step == Steps().end()) {
            Fail("unknown step " + ToUtf8(name));
            return 2;
        }
        if (!step->second(session, params)) return 1;
    }
    return 0;
}
