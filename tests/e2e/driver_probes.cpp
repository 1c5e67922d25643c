#include "tests/e2e/driver_probes.h"

#include <windows.h>

#include <winioctl.h>
#include <ntddscsi.h>

#include <cstdio>
#include <cstring>

#include "tests/e2e/driver_output.h"

namespace {

constexpr BYTE kStatusMarker = 0xAA;
constexpr size_t kHostAdapterInquirySize = 60;

std::string Hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

bool Fail(const std::string& reason) {
    EmitRaw("error", reason);
    return false;
}

}  // namespace

bool ProbeAspiManager() {
    using SupportInfo = DWORD (*)();
    using Send = DWORD (*)(void*);
    HMODULE manager = LoadLibraryW(L"wnaspi32.dll");
    if (manager == nullptr) return Fail("no ASPI manager can be loaded");
    auto supportInfo = reinterpret_cast<SupportInfo>(reinterpret_cast<void*>(GetProcAddress(manager, "GetASPI32SupportInfo")));
    auto send = reinterpret_cast<Send>(reinterpret_cast<void*>(GetProcAddress(manager, "SendASPI32Command")));
    if (supportInfo == nullptr || send == nullptr) return Fail("the ASPI manager lacks an entry");

    const DWORD answer = supportInfo();
    EmitRaw("aspi-support", Hex((answer >> 8) & 0xFF, 2) + " adapters=" + std::to_string(answer & 0xFF));

    BYTE inquiry[kHostAdapterInquirySize] = {};
    inquiry[1] = kStatusMarker;  // SRB_Status; SRB_Cmd 00h is the host-adapter inquiry
    const DWORD returned = send(inquiry);
    EmitRaw("aspi-inquiry", Hex(returned, 2) + " status-byte=" + Hex(inquiry[1], 2));
    return true;
}

bool RegisterScsiBus() {
    const wchar_t* const path =
        L"HARDWARE\\DEVICEMAP\\Scsi\\Scsi Port 0\\Scsi Bus 0\\Target Id 1\\Logical Unit Id 0";
    HKEY key = nullptr;
    const LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_VOLATILE,
                                        KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) return Fail("the SCSI bus cannot be registered: " + std::to_string(status));
    static const wchar_t kType[] = L"CdRomPeripheral";
    RegSetValueExW(key, L"Type", 0, REG_SZ, reinterpret_cast<const BYTE*>(kType), sizeof kType);
    RegCloseKey(key);
    EmitRaw("scsi-bus", "registered");
    return true;
}

bool ProbePassThrough(const std::wstring& letter, const std::wstring& access) {
    if (letter.size() != 1 || (access != L"rw" && access != L"ro")) return Fail("pass-through needs a letter and rw or ro");
    const std::wstring path = L"\\\\.\\" + letter + L":";
    const DWORD rights = access == L"rw" ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    HANDLE device = CreateFileW(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        EmitRaw("pt-open", "failed error=" + std::to_string(GetLastError()));
        return true;
    }
    struct {
        SCSI_PASS_THROUGH_DIRECT request;
        ULONG filler;
        UCHAR sense[32];
    } command = {};
    command.request.Length = sizeof command.request;
    command.request.TargetId = 1;
    command.request.CdbLength = 6;  // TEST UNIT READY: six bytes 00h
    command.request.SenseInfoLength = sizeof command.sense;
    command.request.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
    command.request.TimeOutValue = 30;
    command.request.SenseInfoOffset = offsetof(decltype(command), sense);
    DWORD returned = 0;
    SetLastError(0xDEADBEEF);
    const BOOL succeeded = DeviceIoControl(device, IOCTL_SCSI_PASS_THROUGH_DIRECT, &command, sizeof command,
                                           &command, sizeof command, &returned, nullptr);
    const DWORD error = GetLastError();
    CloseHandle(device);
    EmitRaw("pt-request", succeeded ? "ok status=" + Hex(command.request.ScsiStatus, 2)
                                    : "failed error=" + std::to_string(error));
    return true;
}
