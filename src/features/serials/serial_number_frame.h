// The "Generate Serial No." frame of the simple face: a device type, a date
// and a running number make the maker's serial number, which Apply (or
// Cancel) puts into the simple face's "Serial No.:" field with the model
// label as its tool tip; "X" closes the frame and copies nothing.
#pragma once

#include <QObject>

#include "windows/forms.h"

namespace cobalin {

class SerialNumberFrame : public QObject {
public:
    explicit SerialNumberFrame(ui::FormMain& form);

    void ComposeSerialNumber();
    void Open();          // ".." beside the serial number
    void Advance();       // "A"
    void Today();         // "T"
    void TakeOver();      // "Apply" and "Cancel"
    void CloseFrame();    // "X"

private:
    ui::FormMain& form_;
};

}  // namespace cobalin
