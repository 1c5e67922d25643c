#include <windows.h>

#include "app/application.h"
#include "app/win32_os.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The core reaches the system only through the seam; it must be bound
    // before the application can start the survey.
    Win32Os os;
    InstallOs(&os);
    return CurrentApplication().Run(instance);
}
