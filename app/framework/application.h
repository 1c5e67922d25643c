#pragma once

// The process's one application object. The entry point hands it the module
// and calls its start-up hook once. There is no message loop here: all user
// interaction happens inside the modal dialogs that the hook runs, and the
// process ends when the hook returns.

#include <windows.h>

class Dialog;

class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Runs the start-up hook, then returns 0: the hook has no outcome to report.
    int Run(HINSTANCE instance);

    HINSTANCE Instance() const { return instance_; }

    // The dialog that owns dialogs opened without a parent. Cleared when its
    // window goes away.
    Dialog* MainWindow() const { return mainWindow_; }
    void SetMainWindow(Dialog* dialog) { mainWindow_ = dialog; }

protected:
    // Start-up hook; the process ends when it returns.
    virtual void InitInstance() = 0;

private:
    HINSTANCE instance_ = nullptr;
    Dialog* mainWindow_ = nullptr;
};

// The application object, once constructed.
Application& CurrentApplication();
