// Where the process starts: in place of the C runtime's start-up code, which
// prepares what this program never uses (command-line arguments, wild cards,
// thread-local storage callbacks, run-time relocation of imported data,
// floating-point and exception handlers) and weighed a quarter of the
// executable. The C runtime itself is the system's msvcrt.dll, initialised
// by the system before this runs; what the program needs of the start-up is
// done here: the runtime learns that this is a windowed program, the static
// objects are constructed, and the process ends through exit(), which
// destroys them again.

#include <windows.h>

#include <cstddef>
#include <cstdlib>

extern "C" {

// Laid out by the linker: -1, the static constructors, a null entry.
extern void (*__CTOR_LIST__[])();
void __set_app_type(int type);

// Registers in the runtime's own exit list, the one exit() runs (last first).
int atexit(void (*function)()) {
    return _onexit(reinterpret_cast<_onexit_t>(function)) != nullptr ? 0 : -1;
}

}  // extern "C"

namespace {

constexpr int kWindowedProgram = 2;  // _GUI_APP: the runtime reports its errors in message boxes

// Last first, as the compiler's own runner does. Each constructor registers
// its object's destructor through atexit.
void ConstructStaticObjects() {
    size_t count = 0;
    while (__CTOR_LIST__[count + 1] != nullptr) ++count;
    for (size_t i = count; i > 0; --i) __CTOR_LIST__[i]();
}

}  // namespace

extern "C" void KorvSerialStart() {
    __set_app_type(kWindowedProgram);
    ConstructStaticObjects();
    std::exit(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT));
}
