#include "scsi/os_seam.h"

namespace {
OsSeam* g_os = nullptr;
}

OsSeam& Os() { return *g_os; }

void InstallOs(OsSeam* seam) { g_os = seam; }
