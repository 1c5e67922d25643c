#include "app/win32_os.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr UINT kShiftJisCodePage = 932;

// The user-interface texts are Shift-JIS whatever the system's ANSI code page
// is, so they are widened explicitly rather than left to the "A" functions.
std::wstring FromShiftJis(const char* text) {
    const int length = MultiByteToWideChar(kShiftJisCodePage, 0, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(kShiftJisCodePage, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

// The executable's file name without directory and extension.
std::wstring ApplicationName() {
    constexpr DWORD kLongestPath = 32768;
    std::wstring name(kLongestPath, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &name[0], kLongestPath);
    name.resize(length < kLongestPath ? length : 0);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}

}  // namespace

uint32_t Win32Os::PlatformId() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    static_assert(sizeof(OSVERSIONINFOA) == 148);
    if (!GetVersionExA(&version)) return 0;
    return version.dwPlatformId;
}

std::string Win32Os::SystemDirectory() {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(directory, length);
}

OsModule Win32Os::LoadLibraryAt(const std::string& fullPath) {
    return LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* Win32Os::FindEntry(OsModule module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

OsHandle Win32Os::CreateCompletionEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

bool Win32Os::WaitForever(OsHandle event) {
    return WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0;
}

void Win32Os::ResetEvent(OsHandle event) { ::ResetEvent(event); }

void Win32Os::CloseHandle(OsHandle handle) {
    if (handle != nullptr) ::CloseHandle(handle);
}

OsHandle Win32Os::OpenDevice(const std::string& path, uint32_t access) {
    HANDLE device = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

bool Win32Os::DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                              uint32_t outSize, uint32_t* returned) {
    DWORD count = 0;
    const BOOL succeeded = ::DeviceIoControl(device, code, in, inSize, out, outSize, &count, nullptr);
    if (returned != nullptr) *returned = count;
    return succeeded != FALSE;
}

uint32_t Win32Os::LastError() { return GetLastError(); }

void* Win32Os::Allocate(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void Win32Os::Free(void* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

void Win32Os::WriteStdout(const char* text) {
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void Win32Os::ShowMessage(OsWindow owner, const char* text, const char* caption) {
    const std::wstring wideText = FromShiftJis(text);
    const std::wstring wideCaption = caption != nullptr ? FromShiftJis(caption) : ApplicationName();
    MessageBoxW(static_cast<HWND>(owner), wideText.c_str(), wideCaption.c_str(), MB_OK);
}

void Win32Os::EndDialog(OsWindow dialog, int result) { ::EndDialog(static_cast<HWND>(dialog), result); }

void Win32Os::ExitProcess(int status) { std::exit(status); }
