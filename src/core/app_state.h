// The state the features, the driver and start-up share for the whole run,
// created before the device-type chooser and outliving every window. It holds
// no Qt type, so it lives in the core. Who writes what: start-up the device
// type, the settings and the closing flags; the device session (which owns
// the found devices) the selection (SelectedDevice, and ParameterTexts decoded
// from the device chosen), the operation's tick, the replies it files and every
// change taken into a record. Everyone else reads the devices through a const
// view: a change goes through the session, which decodes the chosen device
// again.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/device_class.h"
#include "core/device_table.h"
#include "core/settings.h"
#include "core/record_layout.h"

namespace cobalin {

// OperationTick when no search or command exchange runs.
constexpr int16_t kNoOperation = -1;

constexpr const char* kMaxDevicesTemplate = "*Max. 8 pcs of XXXX can be configured every time";

struct AppState {
    explicit AppState(std::string homeFolder) : home(std::move(homeFolder)) {}

    std::string home;  // the program folder
    DeviceClass DeviceType = DeviceClass::None;  // None until chosen; then fixed for the run
    bool AppClosing = false;
    bool CloseAllowed = false;
    RunSettings Run;
    // The found devices, read-only: the device session's store while a
    // session runs (the session owns it and alone changes it), else an empty
    // one of its own.
    std::unique_ptr<DeviceStore> NoSessionDevices = std::make_unique<DeviceStore>();
    const DeviceStore* Devices = NoSessionDevices.get();
    ParameterTextArray ParameterTexts;
    int16_t SelectedDevice = 0;
    int16_t OperationTick = kNoOperation;  // Timer1's tick in the running operation
    std::string MaxDevicesNotice;

    // "\Name" in the program folder.
    std::string PathOf(const std::string& name) const { return home + "/" + name; }
    SettingsFile Settings() const { return SettingsFile(PathOf("Setting.ini")); }
};

}  // namespace cobalin
