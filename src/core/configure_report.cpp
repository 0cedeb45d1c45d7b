#include "core/configure_report.h"

#include <algorithm>

#include "core/device_report.h"
#include "core/text_conversions.h"

namespace cobalin {

std::string_view RowStatusText(RowStatus status) {
    switch (status) {
        case RowStatus::Unchanged: return "unchanged";
        case RowStatus::Updated: return "updated";
        case RowStatus::NotFound: return "not_found";
        case RowStatus::Refused: return "refused";
        case RowStatus::NotVerified: return "not_verified";
        case RowStatus::WouldChange: return "would_change";
        case RowStatus::Interrupted: return "interrupted";
    }
    return "refused";
}

std::string ConfigureReportJson(const std::vector<ReportRow>& rows) {
    std::vector<JsonMembers> objects;
    for (const ReportRow& r : rows) {
        std::string changed = "[";
        for (size_t i = 0; i < r.changed.size(); ++i) changed += (i ? ", " : "") + JsonString(r.changed[i]);
        JsonMembers& m = objects.emplace_back();
        m.emplace_back("mac", JsonString(r.mac));
        m.emplace_back("status", JsonString(RowStatusText(r.status)));
        m.emplace_back("changed", changed + "]");
        if (r.attempts > 0) m.emplace_back("attempts", std::to_string(r.attempts));
        if (!r.reason.empty()) m.emplace_back("reason", JsonString(r.reason));
        if (!r.ip.empty()) m.emplace_back("ip", JsonString(r.ip));
    }
    return JsonObjects(objects);
}

std::string ConfigureReportText(const std::vector<ReportRow>& rows) {
    std::string out;
    for (const ReportRow& r : rows) {
        std::string line = r.mac, status(RowStatusText(r.status)), ip = r.ip.empty() ? "-" : r.ip;
        line += "  " + status + std::string(14 - std::min<size_t>(status.size(), 12), ' ');
        line += ip + std::string(17 - std::min<size_t>(ip.size(), 15), ' ');
        std::string details;
        for (const std::string& key : r.changed) details += (details.empty() ? "" : ", ") + key;
        if (!r.reason.empty()) details += (details.empty() ? "" : ": ") + r.reason;
        if (r.attempts > 1) details += (details.empty() ? "" : " ") + ("(written " + std::to_string(r.attempts) + " times)");
        line += details;
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += PrintableText(line) + "\n";
    }
    return out;
}

int ConfigureExitStatus(const std::vector<ReportRow>& rows, bool check) {
    const RowStatus done = check ? RowStatus::WouldChange : RowStatus::Updated;
    const bool all = std::all_of(rows.begin(), rows.end(),
                                 [done](const ReportRow& r) { return r.status == RowStatus::Unchanged || r.status == done; });
    return all ? 0 : 1;
}

}  // namespace cobalin
