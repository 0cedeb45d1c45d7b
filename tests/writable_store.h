// Tests put devices into the table directly, as the session's intake would.
// The run's view of the found devices is read-only for the program's
// features; the store behind it is the session's own, and may be changed.
#pragma once

#include "core/device_table.h"

namespace cobalin {

inline DeviceStore* Writable(const DeviceStore* devices) { return const_cast<DeviceStore*>(devices); }

}  // namespace cobalin
