// The parameter editor of the engineering face: the names (List4) and values
// (List5) of the selected device side by side, the "Set Value" frame with its
// text box or drop-down list, "Apply (6)", which writes one value into the
// device table's copy of the record (nothing is sent before "Update (7)"),
// and "Ping", which warns before a device is given an address in use.
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/device_change.h"
#include "core/parameter_codec.h"
#include "windows/forms.h"

namespace cobalin {

class PingScan;

class ParameterEditor : public QObject {
public:
    ParameterEditor(ui::FormMain& form, AppState& state, PingScan& ping);

    void List4Click();
    void List5Click();
    // Sets up the "Set Value" frame for a row; the text for Text4.
    QString PrepareValueInput(int row);
    void Combo3Click();
    void ApplyClick();  // "Apply (6)": applies Text4 to the selected row and says how the record differs
    void PingClick();   // "Ping" of the IP address row

    // One value applied to a row, as the record now holds it.
    struct Applied {
        int row = -1;
        QString typed;
        EditResult result;
    };
    // Applies values to rows of the selected device's record copy, in order,
    // through the one change computation, without a word on the status
    // line (the caller reports); List5 and ParameterTexts show what the
    // record now holds. The editor's controls end as a user's choice of the
    // last row and typing of its value leave them.
    std::vector<Applied> ApplyValues(const std::vector<WantedRow>& wanted);
    // Label1 says in red where the records hold other values than were
    // typed: one row in full, several in one line.
    void ReportApplied(const std::vector<Applied>& applied);

    // The rows applied to a device (by MAC) since its record was last sent;
    // the update sequence checks them against what the device reports back.
    std::set<int> AppliedRows(const std::string& mac) const;
    void ForgetApplied(const std::string& mac) {
        applied_.erase(mac);
        restored_.erase(mac);
        raw_.erase(mac);
    }
    // Bytes typed into the raw byte view for a device (by MAC) since its
    // record was last sent: the update verifies those it sends too.
    void TakeRaw(const std::string& mac, const std::vector<ByteStretch>& stretches) {
        auto& all = raw_[mac];
        all.insert(all.end(), stretches.begin(), stretches.end());
    }
    std::vector<ByteStretch> RawStretches(const std::string& mac) const {
        const auto it = raw_.find(mac);
        return it == raw_.end() ? std::vector<ByteStretch>{} : it->second;
    }
    // A backup was restored into the device's record: its rows count as
    // applied, and its update is verified on every byte the write sends.
    void TakeRestore(const std::string& mac, const std::set<int>& rows);
    bool Restored(const std::string& mac) const { return restored_.count(mac) > 0; }

private:
    // True when the selected device holds a record the row table is made for.
    bool SelectedIsPaged() const;
    // Text4 applied to the selected row of List5.
    Applied ApplySelected();
    // The values applied to the selected device, List5 and ParameterTexts
    // showing the outcome.
    std::vector<Applied> ApplyRows(const std::vector<WantedRow>& wanted);
    // Puts the status line back as it was before the last note.
    void ClearNote();

    ui::FormMain& form_;
    AppState& state_;
    PingScan& ping_;
    std::map<std::string, std::set<int>> applied_;
    std::set<std::string> restored_;
    std::map<std::string, std::vector<ByteStretch>> raw_;
    // The note Label1 shows, and what it showed before, so that a value
    // applied as typed puts the status line back.
    QString note_, beforeNote_;
    unsigned beforeNoteColor_ = 0;
};

}  // namespace cobalin
