#include <windows.h>
#include <commctrl.h>

#include "app/framework/application.h"
#include "app/win32/win32_os.h"
#include "app/win32_survey_port.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The walk over the drive letters touches card readers and floppy drives
    // without a medium; the system is to fail those opens to the caller
    // rather than ask the user to insert a disk. The flags the process
    // inherited are kept.
    SetErrorMode(SetErrorMode(0) | SEM_FAILCRITICALERRORS);
    // The core reaches the system only through the seam and the survey reaches
    // the user only through its port; both must be bound before the
    // application can start the survey.
    Win32Os os;
    InstallOs(&os);
    Win32SurveyPort surveyPort;
    InstallSurveyPort(&surveyPort);
    // The manifest asks for version 6 of the common controls, which supplies
    // the dialog's button, edit and combo-box classes; Windows XP registers
    // them only once the library is loaded, so load it before any dialog.
    InitCommonControls();
    return CurrentApplication().Run(instance);
}
