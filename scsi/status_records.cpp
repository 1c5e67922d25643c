#include "scsi/status_records.h"

StatusBlock g_aspiExecSrb;
StatusBlock g_passThroughStatus;
StatusBlock* g_lastStatus = nullptr;
