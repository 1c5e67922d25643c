#include "scsi/failure_reasons.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using C = FailureCategory;

struct ReasonCase {
    const char* name;
    FailureOutcome outcome;  // result, request, host adapter, sense key, ASC, ASCQ, system error, read-write refusal, timed out
    C category;
    std::string code;
};

const ReasonCase kCases[] = {
    {"becoming ready", {4, 0x04, 0, 0x02, 0x04, 0x01, 0, 0, false}, C::NotReady, "02/04/01"},
    {"no medium is not a drive becoming ready", {4, 0x04, 0, 0x02, 0x3A, 0x00, 0, 0, false}, C::Other, "02/3A/00"},
    {"invalid command", {4, 0x04, 0, 0x05, 0x20, 0x00, 0, 0, false}, C::RefusedCommand, "05/20/00"},
    {"invalid field in the CDB", {4, 0x04, 0, 0x05, 0x24, 0x00, 0, 0, false}, C::RefusedCommand, "05/24/00"},
    {"another illegal request", {4, 0x04, 0, 0x05, 0x21, 0x00, 0, 0, false}, C::Other, "05/21/00"},
    {"selection time-out", {2, 0x04, 0x11, 0, 0, 0, 0, 0, false}, C::NoAnswer, "HA 11h"},
    {"data over-run is no time-out", {2, 0x04, 0x12, 0, 0, 0, 0, 0, false}, C::Other, "HA 12h"},
    {"never completed", {1, 0x00, 0, 0, 0, 0, 0, 0, false}, C::NoAnswer, "SRB 00h"},
    {"no device at the address any more", {1, 0x82, 0, 0, 0, 0, 0, 0, false}, C::Disconnected, "SRB 82h"},
    {"not ready (21)", {-3, 0, 0, 0, 0, 0, 21, 0, false}, C::NotReady, "Windows 21"},
    {"semaphore time-out", {-3, 0, 0, 0, 0, 0, 121, 0, false}, C::NoAnswer, "Windows 121"},
    {"access denied at a request", {-3, 0, 0, 0, 0, 0, 5, 0, false}, C::InUse, "Windows 5"},
    {"access denied after a sharing violation", {-3, 0, 0, 0, 0, 0, 5, 32, false}, C::InUse, "Windows 5"},
    {"access denied both ways", {-3, 0, 0, 0, 0, 0, 5, 5, false}, C::Denied, "Windows 5"},
    {"sharing violation", {-3, 0, 0, 0, 0, 0, 32, 32, false}, C::InUse, "Windows 32"},
    {"busy", {-3, 0, 0, 0, 0, 0, 170, 170, false}, C::InUse, "Windows 170"},
    {"device not connected", {-3, 0, 0, 0, 0, 0, 1167, 0, false}, C::Disconnected, "Windows 1167"},
    {"gone at a reopen", {-1, 0, 0, 0, 0, 0, 2, 0, false}, C::Disconnected, "Windows 2"},
    {"an I/O device error the table does not know", {-3, 0, 0, 0, 0, 0, 1117, 0, false}, C::Other, "Windows 1117"},
    {"the same error once the request ran out its time-out", {-3, 0, 0, 0, 0, 0, 1117, 0, true}, C::NoAnswer,
     "Windows 1117"},
    {"no completion event", {-1, 0, 0, 0, 0, 0, 0, 0, false}, C::Other, "-1"},
    {"no memory", {-10, 0, 0, 0, 0, 0, 0, 0, false}, C::Other, "-10"},
};

TEST(FailureReasons, EachOutcomeHasItsCategoryAndCode) {
    for (const ReasonCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const FailureReason reason = ClassifyFailure(c.outcome);
        EXPECT_EQ(reason.category, c.category);
        EXPECT_EQ(std::string(reason.code), c.code);
    }
}

}  // namespace
