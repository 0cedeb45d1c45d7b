// The report of `cobalin configure`: what became of each device of a plan,
// as JSON or as lines for a person, and the exit status it gives. It names
// keys only, never a value, so a password never reaches it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cobalin {

// What a report row says of a device.
enum class RowStatus : uint8_t {
    Unchanged,    // the device holds the plan already; nothing sent
    Updated,      // written, and it came back holding the plan
    NotFound,     // the first search did not find the MAC; nothing sent
    Refused,      // a check failed; nothing sent
    NotVerified,  // written, but not found or not holding the plan afterwards
    WouldChange,  // with --check: the plan would change it; nothing sent
    Interrupted,  // a stop signal came before anything was sent to it; nothing sent
};
// "unchanged", "updated", "not_found", "refused", "not_verified", "would_change", "interrupted".
std::string_view RowStatusText(RowStatus status);

// One line of the report, one per plan row.
struct ReportRow {
    std::string mac;
    RowStatus status = RowStatus::Refused;
    std::vector<std::string> changed;  // keys only, never values
    std::string reason;                // empty: none
    std::string ip;                    // empty: not known
    int attempts = 0;                  // how many times it was written; 0: never
};
// One JSON array, an object per row (mac, status, changed, attempts for a
// row that was written, then reason and ip where known), laid out as the
// search's JSON.
std::string ConfigureReportJson(const std::vector<ReportRow>& rows);
// One line per row for a person: MAC, status, address, changed keys, reason,
// and how many times it was written when that was more than once.
std::string ConfigureReportText(const std::vector<ReportRow>& rows);
// 0 when every row ended unchanged or updated (with check: unchanged or
// would_change, every row could be applied); 1 otherwise.
int ConfigureExitStatus(const std::vector<ReportRow>& rows, bool check);

}  // namespace cobalin
