// The few pieces of the C++ language runtime that the product uses, in place
// of the standard library's, whose versions come with its exception
// machinery. The product is built without exceptions, so nothing could catch
// a std::bad_alloc anyway.
//
// Memory exhaustion: a new-expression that finds no memory ends the process
// at once through abort(): the C runtime reports an abnormal program
// termination and the process exits with status 3, running no destructors.
// The program's own texts never get here: they take their memory from malloc
// and become empty texts when there is none.

#include <cstddef>
#include <cstdlib>
#include <new>

void* operator new(std::size_t size) {
    // A block for zero bytes must still be a distinct block.
    if (void* block = std::malloc(size != 0 ? size : 1)) return block;
    std::abort();
}

void operator delete(void* block) noexcept { std::free(block); }

void operator delete(void* block, std::size_t) noexcept { std::free(block); }

// Reached only by calling a pure virtual function while an object is being
// constructed or destroyed, a fault; it ends the process as above instead of
// calling address 0.
extern "C" void __cxa_pure_virtual() { std::abort(); }
