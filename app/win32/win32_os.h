#pragma once

// The product's bindings to Win32: the operating-system seam of the core
// (win32_os.cpp) and the survey's port (win32_survey_port.cpp).

#include "scsi/os_seam.h"
#include "survey/survey_port.h"

class Win32Os : public OsSeam {
public:
    uint32_t PlatformId() override;
    Text SystemDirectory() override;
    OsModule LoadLibraryAt(const Text& fullPath) override;
    void* FindEntry(OsModule module, const char* name) override;
    OsHandle CreateCompletionEvent() override;
    OsWait WaitFor(OsHandle event, uint32_t milliseconds) override;
    void CloseHandle(OsHandle handle) override;
    uint32_t DriveType(const Text& rootPath) override;
    OsHandle OpenDevice(const Text& path, uint32_t access) override;
    bool DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                         uint32_t outSize) override;
    uint32_t LastError() override;
    void* Allocate(size_t size) override;
    void Free(void* block) override;
};

class Win32SurveyPort : public SurveyPort {
public:
    void WriteStdout(const char* text) override;
    void BeginProgress() override;
    void EndProgress() override;
    void ShowMessage(SurveyWindow owner, const char* text, const char* caption) override;
    void EndDialog(SurveyWindow dialog, int result) override;
    void ExitProcess(int status) override;
};
