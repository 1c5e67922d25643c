// Start-up timing under Wine: how long a program takes from its process
// creation to its visible dialog, against a baseline program, measured from
// this one process. Each round starts both programs one after the other (the
// order alternating from round to round, so that a drift of the machine
// weighs on both alike), polls every millisecond for the program's visible
// top-level window with the given title, closes it and waits for the
// process to end. A first round warms the caches and is not counted.
//
//   startup_timer <rounds> <program> <title> <baseline> <baseline-title>
//
// Prints one line per round and finally the median, minimum and maximum of
// the per-round ratio program / baseline. Exit status 1 when a window did not
// show within two minutes.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWindowWaitMs = 120000;
constexpr DWORD kExitWaitMs = 30000;

struct Candidate {
    std::wstring path;
    std::wstring title;
};

struct Search {
    DWORD processId;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t title[256];
    if (GetWindowTextW(window, title, 256) <= 0 || wcscmp(title, search->title) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from just before the process is created until its window is
// visible; negative when it could not be started or did not show. What the
// program writes goes to the null device.
double TimeToWindow(const Candidate& candidate, HANDLE nullDevice) {
    std::wstring commandLine = L"\"" + candidate.path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullDevice;
    startup.hStdOutput = nullDevice;
    startup.hStdError = nullDevice;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return -1;
    }
    Search search{process.dwProcessId, candidate.title.c_str(), nullptr};
    LARGE_INTEGER now = start;
    while (search.found == nullptr && Milliseconds(start, now) < kWindowWaitMs) {
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        QueryPerformanceCounter(&now);
        if (search.found == nullptr) Sleep(1);
    }
    if (search.found != nullptr) PostMessageW(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, kExitWaitMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, kExitWaitMs);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return search.found != nullptr ? Milliseconds(start, now) : -1;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: startup_timer <rounds> <program> <title> <baseline> <baseline-title>\n");
        return 2;
    }
    const int rounds = _wtoi(argv[1]);
    const Candidate program{argv[2], argv[3]};
    const Candidate baseline{argv[4], argv[5]};
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE nullDevice = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherited, OPEN_EXISTING, 0, nullptr);

    std::vector<double> programTimes;
    std::vector<double> baselineTimes;
    std::vector<double> ratios;
    for (int round = 0; round <= rounds; ++round) {
        const bool programFirst = round % 2 == 0;
        double programMs = 0;
        double baselineMs = 0;
        if (programFirst) {
            programMs = TimeToWindow(program, nullDevice);
            baselineMs = TimeToWindow(baseline, nullDevice);
        } else {
            baselineMs = TimeToWindow(baseline, nullDevice);
            programMs = TimeToWindow(program, nullDevice);
        }
        if (programMs < 0 || baselineMs < 0) {
            std::printf("round %d: a window did not show\n", round);
            return 1;
        }
        if (round == 0) {
            std::printf("warm-up: program %.1f ms, baseline %.1f ms (not counted)\n", programMs, baselineMs);
            continue;
        }
        programTimes.push_back(programMs);
        baselineTimes.push_back(baselineMs);
        ratios.push_back(programMs / baselineMs);
        std::printf("round %d (%s first): program %.1f ms, baseline %.1f ms, ratio %.3f\n", round,
                    programFirst ? "program" : "baseline", programMs, baselineMs, ratios.back());
        std::fflush(stdout);
    }
    if (ratios.empty()) return 0;
    std::printf("program:  median %.1f ms to its visible dialog\n", Median(programTimes));
    std::printf("baseline: median %.1f ms to its visible dialog\n", Median(baselineTimes));
    std::printf("ratio program / baseline over %zu rounds: median %.3f, min %.3f, max %.3f\n", ratios.size(),
                Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    return 0;
}
