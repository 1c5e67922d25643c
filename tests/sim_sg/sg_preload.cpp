// Simulated pass-through devices for the end-to-end tests, preloaded
// (LD_PRELOAD) into Wine's processes on Linux. Wine carries out a Windows
// pass-through request on a drive-letter device itself, as the Linux SCSI
// generic request (SG_IO) on the Unix file behind the letter; this library
// answers that request from the scenario instead of a kernel driver.
//
// KORV_SG_DIR names a directory holding `scenario`, `log`, the file `drive`
// and one hard link to it per simulated letter, named by the lower-case
// letter. A descriptor is a simulated drive when it refers to that one inode;
// the link it was opened through names the letter. Wine keeps per-process
// state for at most five distinct device files, so all simulated letters
// share the one inode. The server opens the files and hands the descriptors
// to the program, so matching is by inode and link, never by the path given
// to open.
//
// No SG_IO request on any other descriptor ever reaches the kernel: it fails
// with ENOTTY and is logged as refused, so a letter that points at a real
// device cannot receive a command.
//
// Windows refuses a pass-through request on a handle opened for reading only
// (the control code demands read and write access, and the I/O manager checks
// it); Wine does not check. So the request on a descriptor opened read-only is
// refused here, with EACCES, as Windows would refuse it.
//
// A drive whose scenario line says delay=<ms> answers every request that
// late: the request waits inside the SG_IO call, which runs in the program's
// own process, as a slow writer keeps a pass-through request on Windows. (A
// slow open would wait in Wine's single-threaded server instead and stall
// every Wine process, which Windows never does.)
//
// A drive whose scenario line says hang=<opcode> has stopped answering that
// command: the request waits out its own time-out inside the SG_IO call and
// then fails with ETIMEDOUT, which Wine reports as a failed control request.
// That is how Windows reports it (the port driver completes the request with
// a time-out status after waiting the whole time); Linux itself would end
// SG_IO successfully with the time-out in host_status, which Wine would pass
// on as a completed request.
//
// The simulated letters are CD-ROM drives, as writers are on Windows: Wine
// calls a drive CD-ROM when the file system behind its root is ISO 9660 (or
// its own drive settings say so, which its device manager reads only when it
// starts), so each letter's root is the directory `cd-<letter>`, which the
// file system statistics report as ISO 9660.
//
// A simulated letter whose scenario line says open=held or open=denied
// refuses every open: with ETXTBSY, which Wine's server reports as a sharing
// violation (another program holds the drive without sharing it), or EACCES,
// access denied.
//
// A network letter: its root is the directory `net-<letter>`, which the file
// system statistics report as NFS, so that Wine calls the drive remote; its
// device file takes `network-open-ms` (a file holding milliseconds) to open,
// as a remembered mapping whose server is away does on Windows.
//
// The simulated machine may also lack code pages: the code-page tables
// (*.nls) named in `absent-code-pages`, one per line, cannot be opened, as on
// a Windows without that language's files.

#include <dlfcn.h>
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/sim_drives/scenario.h"
#include "tests/sim_drives/sim_device.h"
#include "tests/sim_drives/sim_log.h"

namespace {

constexpr unsigned char kDriverSense = 0x08;
constexpr long kNfsMagic = 0x6969;
constexpr long kIso9660Magic = 0x9660;
constexpr size_t kFixedSenseLength = 18;

using IoctlFunction = int (*)(int, unsigned long, void*);
using OpenFunction = int (*)(const char*, int, mode_t);

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

std::string SimDirectory() {
    const char* directory = std::getenv("KORV_SG_DIR");
    return directory != nullptr ? directory : "";
}

void Log(const std::string& line) {
    const std::string directory = SimDirectory();
    if (!directory.empty()) AppendLine((directory + "/log").c_str(), line);
}

std::string PathOf(int fd) {
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, target, sizeof target - 1);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string("?");
}

// The upper-case letter that ends the path the descriptor was opened through,
// when that path is `<KORV_SG_DIR>/<prefix><letter>`; otherwise 0.
char LetterAfter(int fd, const std::string& prefix) {
    const std::string directory = SimDirectory();
    const std::string path = PathOf(fd);
    const std::string start = directory + "/" + prefix;
    if (directory.empty() || path.size() != start.size() + 1 || path.compare(0, start.size(), start) != 0) return 0;
    const char letter = path.back();
    return letter >= 'a' && letter <= 'z' ? static_cast<char>(letter - 'a' + 'A') : 0;
}

// The upper-case letter of a simulated drive's descriptor, or 0.
char SimulatedLetter(int fd) {
    const std::string directory = SimDirectory();
    struct stat device = {};
    struct stat drive = {};
    if (directory.empty() || fstat(fd, &device) != 0 || stat((directory + "/drive").c_str(), &drive) != 0 ||
        device.st_dev != drive.st_dev || device.st_ino != drive.st_ino) {
        return 0;
    }
    return LetterAfter(fd, "");
}

// Read afresh for every request, so that one long-lived server follows the
// scenario of each test case.
bool LoadScenario(Scenario& scenario) {
    std::string error;
    if (LoadScenarioFile(SimDirectory() + "/scenario", scenario, error)) return true;
    Log("scenario-error " + error);
    return false;
}

const char* DirectionName(int direction) {
    switch (direction) {
    case SG_DXFER_NONE: return "none";
    case SG_DXFER_TO_DEV: return "out";
    case SG_DXFER_FROM_DEV: return "in";
    default: return "other";
    }
}

std::string Describe(char letter, const sg_io_hdr_t& request, const uint8_t* cdb) {
    return std::string("letter=") + letter + " cdblen=" + std::to_string(request.cmd_len) +
           " cdb=" + HexBytes(cdb, request.cmd_len) + " dir=" + DirectionName(request.dxfer_direction) +
           " len=" + std::to_string(request.dxfer_len) + " timeout=" + std::to_string(request.timeout);
}

void Deliver(sg_io_hdr_t& request, const SimOutcome& outcome) {
    size_t delivered = 0;
    if (request.dxfer_direction == SG_DXFER_FROM_DEV && request.dxferp != nullptr) {
        delivered = outcome.data.size() < request.dxfer_len ? outcome.data.size() : request.dxfer_len;
        std::memcpy(request.dxferp, outcome.data.data(), delivered);
    }
    request.resid = static_cast<int>(request.dxfer_len - delivered);
    request.status = outcome.targetStatus;
    request.masked_status = static_cast<unsigned char>(outcome.targetStatus >> 1);
    request.host_status = 0;
    request.driver_status = 0;
    request.sb_len_wr = 0;
    request.info = SG_INFO_OK;
    if (outcome.targetStatus != 0) {
        uint8_t sense[kFixedSenseLength] = {};
        std::memcpy(sense, outcome.sense, sizeof outcome.sense);
        const size_t count = request.mx_sb_len < sizeof sense ? request.mx_sb_len : sizeof sense;
        if (request.sbp != nullptr) std::memcpy(request.sbp, sense, count);
        request.sb_len_wr = static_cast<unsigned char>(count);
        request.driver_status = kDriverSense;
        request.info = SG_INFO_CHECK;
    }
}

int AnswerScsiRequest(int fd, sg_io_hdr_t* request) {
    const char letter = SimulatedLetter(fd);
    if (letter == 0) {
        Log("refused path=" + PathOf(fd));
        errno = ENOTTY;
        return -1;
    }
    uint8_t cdb[16] = {};
    if (request == nullptr || request->interface_id != 'S' || request->cmdp == nullptr || request->cmd_len > 16) {
        Log(std::string("letter=") + letter + " malformed");
        errno = EINVAL;
        return -1;
    }
    std::memcpy(cdb, request->cmdp, request->cmd_len);
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_ACCMODE) == O_RDONLY) {
        Log(Describe(letter, *request, cdb) + " -> refused read-only");
        errno = EACCES;
        return -1;
    }
    Scenario scenario;
    const SimDrive* drive = LoadScenario(scenario) ? scenario.FindLetter(letter) : nullptr;
    // A slow drive keeps the request inside this call, in the asking
    // process, as a port driver keeps the caller's request on Windows.
    if (drive != nullptr && drive->answerDelayMs != 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(drive->answerDelayMs));
    }
    const SimOutcome outcome = AnswerCommand(drive, 0, cdb, request->dxfer_len);
    if (outcome.waitsOutTimeOut) std::this_thread::sleep_for(std::chrono::milliseconds(request->timeout));
    if (outcome.systemError != 0) {
        Log(Describe(letter, *request, cdb) + " -> errno=" + std::to_string(outcome.systemError));
        errno = outcome.systemError;
        return -1;
    }
    Deliver(*request, outcome);
    Log(Describe(letter, *request, cdb) + " -> status=" + HexByte(outcome.targetStatus) +
        " sensekey=" + HexByte(outcome.sense[2]) + " resid=" + std::to_string(request->resid));
    return 0;
}

int Ioctl(const char* name, int fd, unsigned long request, void* argument) {
    if (request == SG_IO) return AnswerScsiRequest(fd, static_cast<sg_io_hdr_t*>(argument));
    static const IoctlFunction next = Next<IoctlFunction>(name);
    static const IoctlFunction fallback = Next<IoctlFunction>("ioctl");
    return (next != nullptr ? next : fallback)(fd, request, argument);
}

// A simulated letter whose scenario says read-only refuses every open that
// asks for writing, as a device whose user may only read does.
bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool IsAbsentCodePage(const char* path) {
    const std::string name = path != nullptr ? path : "";
    if (!EndsWith(name, ".nls")) return false;
    const std::string base = name.substr(name.find_last_of('/') + 1);
    std::FILE* file = std::fopen((SimDirectory() + "/absent-code-pages").c_str(), "r");
    if (file == nullptr) return false;
    char line[256];
    bool absent = false;
    while (!absent && std::fgets(line, sizeof line, file) != nullptr) {
        line[std::strcspn(line, "\r\n")] = '\0';
        absent = base == line;
    }
    std::fclose(file);
    if (absent) Log("absent " + name);
    return absent;
}

bool IsNetworkRoot(int fd) { return LetterAfter(fd, "net-") != 0; }
bool IsCdromRoot(int fd) { return LetterAfter(fd, "cd-") != 0; }

template <typename Statistics, typename Function>
int FileSystemStatistics(const char* name, int fd, Statistics* statistics) {
    static const Function next = Next<Function>(name);
    const int result = next(fd, statistics);
    if (result == 0 && IsNetworkRoot(fd)) statistics->f_type = kNfsMagic;
    if (result == 0 && IsCdromRoot(fd)) statistics->f_type = kIso9660Magic;
    return result;
}

void DelayNetworkOpen(char letter) {
    const std::string directory = SimDirectory();
    struct stat root = {};
    const char lower = static_cast<char>(letter - 'A' + 'a');
    if (stat((directory + "/net-" + lower).c_str(), &root) != 0) return;
    std::FILE* file = std::fopen((directory + "/network-open-ms").c_str(), "r");
    long milliseconds = 0;
    if (file != nullptr) {
        if (std::fscanf(file, "%ld", &milliseconds) != 1) milliseconds = 0;
        std::fclose(file);
    }
    Log(std::string("open letter=") + letter + " network wait=" + std::to_string(milliseconds));
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int Open(const char* name, const char* path, int flags, mode_t mode) {
    static const OpenFunction next = Next<OpenFunction>(name);
    if (IsAbsentCodePage(path)) {
        errno = ENOENT;
        return -1;
    }
    const int fd = next(path, flags, mode);
    if (fd < 0) return fd;
    const char letter = SimulatedLetter(fd);
    if (letter == 0) return fd;
    const bool writing = (flags & O_ACCMODE) != O_RDONLY;
    DelayNetworkOpen(letter);
    Scenario scenario;
    const SimDrive* drive = LoadScenario(scenario) ? scenario.FindLetter(letter) : nullptr;
    const int refusal = drive == nullptr ? 0 : drive->openErrno != 0 ? drive->openErrno : writing && drive->readOnly ? EACCES : 0;
    Log(std::string("open letter=") + letter + " mode=" + (writing ? "rw" : "ro") + (refusal != 0 ? " refused" : ""));
    if (refusal == 0) return fd;
    close(fd);
    errno = refusal;
    return -1;
}

mode_t ModeArgument(int flags, va_list arguments) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(arguments, unsigned)) : 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return Ioctl("ioctl", fd, request, argument);
}

__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    return Ioctl("__ioctl_time64", fd, request, argument);
}

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return Open("open", path, flags, mode);
}

__attribute__((visibility("default"))) int fstatfs(int fd, struct statfs* statistics) {
    return FileSystemStatistics<struct statfs, int (*)(int, struct statfs*)>("fstatfs", fd, statistics);
}

__attribute__((visibility("default"))) int fstatfs64(int fd, struct statfs64* statistics) {
    return FileSystemStatistics<struct statfs64, int (*)(int, struct statfs64*)>("fstatfs64", fd, statistics);
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return Open("open64", path, flags, mode);
}

}  // extern "C"
