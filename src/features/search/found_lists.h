// The found-device lists of the simple face and the configuration panel,
// filled when a search has ended. The lists are filled and classified from
// the decoded store; only the device the fill ends on is loaded into the
// faces, and the lists are left selected as selecting each line in turn
// would leave them.
#pragma once

#include <QStringList>
#include <array>
#include <functional>
#include <vector>

#include "core/app_state.h"
#include "core/found_devices.h"
#include "windows/forms.h"

namespace cobalin {

// A list's lines as the program put them there: the widget shows them, the
// program reads them here (each line is a device's MAC, or a made-up one).
class ListLines {
public:
    explicit ListLines(QWidget* list) : list_(list) {}
    void Clear();
    void Add(const QString& line);
    int Count() const { return static_cast<int>(lines_.size()); }
    const QStringList& Lines() const { return lines_; }
    // Line `row`, empty when there is none.
    QString At(int row) const { return lines_.value(row); }
    // The first line with this text, -1 for none.
    int RowOf(const QString& line) const { return static_cast<int>(lines_.indexOf(line)); }
    QWidget* widget() const { return list_; }

private:
    QWidget* list_;
    QStringList lines_;
};

class FoundLists {
public:
    FoundLists(ui::FormMain& form, AppState& state);

    // The lines of the simple face's found list and of the panel's lists.
    struct Lines {
        ListLines list6, combo4;
        // Combo5 and Combo6: the lines of one family each, by its typeList.
        std::array<ListLines, 2> types;
        ListLines list7;
        // The configuration panel's lists.
        std::array<ListLines*, 4> Panel() { return {&combo4, &types[0], &types[1], &list7}; }
        ListLines& TypeList(const DeviceFamily& family) { return types[static_cast<size_t>(family.typeList)]; }
        const ListLines& TypeList(const DeviceFamily& family) const {
            return types[static_cast<size_t>(family.typeList)];
        }
    };
    Lines& lines() { return lines_; }
    // What loading List6's line `row` does (the panel's): the fill loads
    // the device it ends on with it.
    void SetLoader(std::function<void(int row)> load) { load_ = std::move(load); }
    // Selects List6's line `row` (none when it has no such line) and loads it.
    void LoadLine(int row);

    // List6: the devices found that pass the model filter of Combo1.
    void FillFoundList(const FoundDevices& found);
    // Combo4, Combo5, Combo6 and List7 from List6, the device of the chosen
    // type loaded, and the panel's status.
    void FillPanelLists(const FoundDevices& found);
    // Empties the panel's configuration fields and disables its lists.
    void ClearConfigurationFields();

private:
    // Empties and disables the panel's lists; the panel is usable again, Save off.
    void EmptyPanelLists();
    // Combo4 gets every line, each family's type list the lines of its family.
    void FillClassLists(const QStringList& lines, const std::vector<ClassifiedLine>& classified);
    // What loading the lines in turn leaves, before the status is reported.
    void LoadBeforeReport(const FoundDevices& found, const std::vector<ClassifiedLine>& classified, int target);
    // The report in the status line, List7 and "Device MAC address", for
    // the family chosen. loadRow: the List6 line its selection loads again; -1 for none.
    void ReportChosenType(const DeviceFamily& family, int loadRow);
    // True when loading this device passes the query authentication.
    bool Authenticates(const FoundDevice& device) const;

    ui::FormMain& form_;
    AppState& state_;
    Lines lines_;
    std::function<void(int)> load_;
};

}  // namespace cobalin
