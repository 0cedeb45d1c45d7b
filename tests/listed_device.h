// Puts a device's replies into the table as the reply intake would and lists
// a device it adds in List1, as the found-device intake does.
#pragma once

#include <net/if.h>

#include <QString>
#include <vector>

#include "core/device_table.h"
#include "record_builder.h"
#include "toolkit/controls.h"

namespace cobalin::testing {

// The entry the last reply went to (-1 when it was not taken). The replies
// come in by the loopback interface, where the tests play their devices, so
// that requests for the device leave by it.
inline int ListDevice(DeviceStore& store, QWidget* list1, const std::vector<Bytes>& replies) {
    int index = -1;
    for (const Bytes& reply : replies) {
        const IntakeResult res = ReplyIntake(store, reply);
        NoteArrivalInterface(store, res, static_cast<int>(if_nametoindex("lo")), "lo");
        if (res.outcome == IntakeResult::Added)
            ui::AddItem(list1, QString::fromStdString(store.DeviceTable[static_cast<size_t>(res.entry)].MacText));
        index = res.entry;
    }
    return index;
}

// A short-format device named "Legacy", listed.
inline int ListShortDevice(DeviceStore& store, QWidget* list1, uint8_t last) {
    return ListDevice(store, list1, {RecordBuilder::Short(Mac(last)).Row(ShortRow::ServerName, "Legacy").Reply()});
}

}  // namespace cobalin::testing
