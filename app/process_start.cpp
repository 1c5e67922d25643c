// Where the process starts: in place of the C runtime's start-up code, which
// prepares what this program never uses (command-line arguments, wild cards,
// thread-local storage callbacks, run-time relocation of imported data,
// floating-point and exception handlers) and weighs a quarter of the
// executable. The C runtime itself is the system's msvcrt.dll, initialised
// by the system before this runs; what the program needs of the start-up is
// done here: the runtime learns that this is a windowed program, the static
// objects are constructed, and the process ends through exit(), which
// destroys them again.

#include <windows.h>

#include <cstdlib>

extern "C" {

// The compiler's constructor runner: runs the static constructors and
// registers the static destructors through atexit.
void __main();
void __set_app_type(int type);

// Registers in the runtime's own exit list, the one exit() runs (last first).
int atexit(void (*function)()) {
    return _onexit(reinterpret_cast<_onexit_t>(function)) != nullptr ? 0 : -1;
}

void KorvSerialStart() {
    constexpr int kWindowedProgram = 2;  // _GUI_APP: the runtime reports errors in message boxes
    __set_app_type(kWindowedProgram);
    __main();
    std::exit(WinMain(GetModuleHandleW(nullptr), nullptr, nullptr, SW_SHOWDEFAULT));
}

}  // extern "C"
