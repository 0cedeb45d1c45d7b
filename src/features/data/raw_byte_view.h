// The "Advance" frame: any stretch of the selected device's record as text,
// unprintable bytes as "<XX>" tokens, and written back from the raw text box
// into the record copy ("Update (7)" sends it).
#pragma once

#include <QObject>
#include <optional>

#include "core/app_state.h"
#include "core/byte_escapes.h"
#include "windows/forms.h"

namespace cobalin {

// Label41 after "Update".
extern const char* const kRawUpdateOk;
extern const char* const kRawUpdateError;
// "OK" for bytes the record took but no update sends as they stand; + offsets.
extern const char* const kRawUpdateNotSent;

class ParameterEditor;

class RawByteView : public QObject {
public:
    RawByteView(ui::FormMain& form, AppState& state, ParameterEditor& editor);

    void ViewClick();    // Command15 "View"
    void UpdateClick();  // Command17 "Update"
    void HideClick();    // Command18 "Hide"

private:
    // The stretch named by "Start Byte" and "Size (byte)", nullopt when it
    // is not one inside the record.
    std::optional<ByteRange> Stretch() const;

    ui::FormMain& form_;
    AppState& state_;
    ParameterEditor& editor_;
};

}  // namespace cobalin
