// The parameter editor's encodings: how a text typed or chosen for a row is
// written into the device record (and mirrored into the LAN-module record).
// The rows are those of the paged field table.
#pragma once

#include <string_view>

#include "core/device_table.h"
#include "core/record_layout.h"

namespace cobalin {

// True for rows 0, 2-6, 10-19, 24, 25 and 27-31.
bool IsEditableRow(long row);

// The choices of a choice row, empty for a text row or a row outside 0-32.
ValueTable RowChoices(long row);
bool IsChoiceRow(long row);

enum class ApplyOutcome {
    Ignored,   // rows 7, 8, 23 and rows outside 0-32: nothing changed
    Written,   // the record (and the module record, where mirrored) took the value
    Rejected,  // the text does not fit the row's encoding: only ParameterTexts changed
};

// Stores text in row `row` of texts, then writes its encoding into the record
// of entry `device` and mirrors rows with a module code. A text the encoding
// cannot use writes nothing and mirrors nothing.
ApplyOutcome ApplyParameter(DeviceStore& store, ParameterTextArray& texts, long row, std::string_view text,
                            long device);

}  // namespace cobalin
