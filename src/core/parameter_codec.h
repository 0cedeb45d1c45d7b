// The parameter editor's encodings: how a text typed or chosen for a row is
// written into the device record (and mirrored into the LAN-module record).
// The rows are those of the paged field table.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Writes the encoding of text into the record of entry `device` and mirrors
// rows with a module code; then row `row` of texts shows what the record now
// holds, decoded, so that a value the encoding refused, cut or mapped is
// never shown as applied. A text the encoding cannot use writes nothing and
// mirrors nothing.
ApplyOutcome ApplyParameter(DeviceStore& store, ParameterTextArray& texts, long row, std::string_view text,
                            long device);

// How the value a record holds after an edit compares with what was typed.
enum class EditNote : uint8_t {
    AsTyped,             // the record holds the value as typed (a number may be spelled otherwise: "007")
    Refused,             // the row's encoding takes no such text: nothing changed
    Cut,                 // a text longer than its field: the record holds its start
    Changed,             // the record holds another value (a choice spelled otherwise, a rounded number)
    PortNotSent,         // the port is kept in the record, but every update sends 4000
    NotSent,             // kept in the record, but no update sends these bytes (the link states)
    NotCarriedByModule,  // the device is updated through its LAN-module record, which has no such field
    TooLongForModule,    // ... whose field holds fewer characters: nothing changed
};

struct EditResult {
    ApplyOutcome outcome = ApplyOutcome::Ignored;
    EditNote note = EditNote::AsTyped;
    std::string shown;  // the row's text now, decoded from the record (ANSI)
};

// Whether the road by which the device is updated can carry an edit of the
// row: NotCarriedByModule or TooLongForModule for a LAN-module device whose
// module record has no such field or a shorter one; else AsTyped.
EditNote CheckEditRoad(const DeviceStore& store, long device, long row, std::string_view text);

// What an edit would give, without changing anything.
EditResult PreviewEdit(const DeviceStore& store, long device, long row, std::string_view text);

// One edit of a row as the parameter editor makes it: refused when the road
// the device is updated by cannot carry it, else ApplyParameter, with a note
// of how the record's value differs from the text.
EditResult EditParameter(DeviceStore& store, ParameterTextArray& texts, long row, std::string_view text, long device);

// The row's name as the details list shows it, without its colon.
std::string RowName(long row);
// One line that says how the record differs from what was typed; typed and
// shown are put in as given, in whatever encoding the caller shows; a
// password is never put in. Empty for AsTyped.
std::string EditNoteText(EditNote note, long row, std::string_view typed, std::string_view shown);
// A few words for a list of rows ("cut", "refused", ...); empty for AsTyped.
std::string_view EditNoteWords(EditNote note);

// The note of an edit whose text was typed as UTF-8 and given to the record
// as ANSI: a character without a byte of its own is not as typed either.
EditNote TypedEditNote(const EditResult& edit, std::string_view utf8);

// Why an update of entry `device` that applies these rows (row, text as
// typed in UTF-8) may not be sent, in the words the faces show; empty when
// it may. Checked before anything is applied: the record may not be whole,
// or a value would reach the device otherwise than typed (cut to its field,
// changed, not carried by the device's road), or a new IP address is held
// by another found device.
std::string UpdateRefusal(const DeviceStore& store, long device,
                          const std::vector<std::pair<int, std::string>>& rows);

}  // namespace cobalin
