// Preloaded into Wine's 32-bit processes where qemu's user-mode emulator runs
// them (scripts/enable-i386.sh), to keep each thread's thread pointers its own.
//
// The emulator keeps one descriptor table for all the threads of a process,
// where the Linux kernel keeps the three thread-local-storage slots that
// set_thread_area fills per thread. Such a slot thus holds the base that the
// thread which set it last gave, and a thread that loads the selector again
// gets that base: the emulator does so at the end of every signal handler.
// Two thread pointers live in such slots in a 32-bit Wine process: the C
// library's own (%gs, set for each new thread as it is made) and Wine's
// thread block (%fs, which Wine also loads again in its signal handlers). So
// a thread that takes a signal after a later thread has started goes on with
// that thread's C library state and thread block: two threads then wait on
// the one reply pipe, or one jumps to an address with no code.
//
// Entries of the local descriptor table are per process on Linux too, so a
// thread with an entry of its own keeps its base whatever the other threads
// do. So each thread here moves its C library pointer to an entry of its own
// (the first thread before the program starts, every later one as it
// starts), and the slots still free are taken and the %fs that Wine's
// preloader set is cleared: Wine then asks for a slot, is refused, and gives
// each thread block an entry of its own, as it does wherever the system has
// no slot to give. Wine takes its entries from 512 on once the C library
// uses the table, so the C library's take 1 to 511.

#define _GNU_SOURCE
#include <asm/ldt.h>
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__i386__)

enum { kFirstEntry = 1, kEntriesBeforeWine = 512, kWriteEntry = 0x11 };

static int next_entry = kFirstEntry;
static pthread_mutex_t creating = PTHREAD_MUTEX_INITIALIZER;
// The slot the C library gave the first thread, which it names again for
// every thread it makes (the kernel fills the new thread's own copy of it).
static unsigned short library_selector;

static unsigned short selector_of(int entry) { return (unsigned short)(entry << 3 | 7); }  // table 1, ring 3

static unsigned long thread_pointer(void) {
    unsigned long self;  // the C library's thread pointer points at itself
    __asm__ volatile("movl %%gs:0, %0" : "=r"(self));
    return self;
}

static void load_gs(unsigned short selector) { __asm__ volatile("movw %w0, %%gs" : : "r"(selector) : "memory"); }

// The whole address space from the pointer on, as the C library's own
// descriptor: its thread data lies below the pointer and is reached by wrapping.
static struct user_desc descriptor_at(unsigned entry, unsigned long base) {
    struct user_desc descriptor = {0};
    descriptor.entry_number = entry;
    descriptor.base_addr = base;
    descriptor.limit = 0xfffff;
    descriptor.seg_32bit = 1;
    descriptor.limit_in_pages = 1;
    descriptor.useable = 1;
    return descriptor;
}

// This thread's C library pointer behind an entry of its own; a thread past
// the entries keeps the shared slot.
static void move_thread_pointer_to_own_entry(void) {
    const int entry = __atomic_fetch_add(&next_entry, 1, __ATOMIC_RELAXED);
    if (entry >= kEntriesBeforeWine) return;
    struct user_desc own = descriptor_at((unsigned)entry, thread_pointer());
    if (syscall(SYS_modify_ldt, kWriteEntry, &own, sizeof own) != 0) return;
    load_gs(selector_of(entry));
}

struct thread_start {
    void *(*routine)(void *);
    void *argument;
};

static void *start_with_own_entry(void *start) {
    const struct thread_start own = *(struct thread_start *)start;
    free(start);
    move_thread_pointer_to_own_entry();
    return own.routine(own.argument);
}

// The C library makes the thread with the slot that %gs names, so while it
// does, %gs names that slot again, filled with this thread's own pointer
// first; the new thread starts on it with its own pointer and moves on.
int pthread_create(pthread_t *thread, const pthread_attr_t *attributes, void *(*routine)(void *), void *argument) {
    static int (*create)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    if (create == NULL) {
        create = (int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *))dlsym(RTLD_NEXT, "pthread_create");
    }
    struct thread_start *start = malloc(sizeof *start);
    if (start == NULL) return EAGAIN;
    start->routine = routine;
    start->argument = argument;
    unsigned short own_selector;
    __asm__ volatile("movw %%gs, %w0" : "=r"(own_selector));
    pthread_mutex_lock(&creating);
    struct user_desc slot = descriptor_at(library_selector >> 3, thread_pointer());
    syscall(SYS_set_thread_area, &slot);
    load_gs(library_selector);
    const int result = create(thread, attributes, start_with_own_entry, start);
    load_gs(own_selector);
    pthread_mutex_unlock(&creating);
    if (result != 0) free(start);
    return result;
}

__attribute__((constructor)) static void keep_thread_pointers_apart(void) {
    __asm__ volatile("movw %%gs, %w0" : "=r"(library_selector));
    move_thread_pointer_to_own_entry();
    // One descriptor that is not empty per free slot (an empty one would free
    // the slot again); a real kernel has three.
    for (int slot = 0; slot < 3; ++slot) {
        struct user_desc taken = {0};
        taken.entry_number = (unsigned)-1;
        taken.seg_32bit = 1;
        if (syscall(SYS_set_thread_area, &taken) != 0) break;
    }
    __asm__ volatile("movw %w0, %%fs" : : "r"(0));
}

#endif
