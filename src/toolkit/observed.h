// The change observer, and the timers: the part of the toolkit that needs
// no widgets, so that the device session can use it too.
#pragma once

#include <functional>

class QObject;
class QTimer;

namespace cobalin::ui {

// What a toolkit helper changed on a control.
enum class ControlProperty {
    Caption, Text, Enabled, Visible, ForeColor, BackColor, Tag, Picture,
    Items, Row, Checked, Geometry, Line, Interval, Running, Mask, MaxLength, ToolTip,
};
// Told of each change a helper makes, right after it is made (so two changes
// in one pass of the event loop are told apart), and also when a helper sets
// a value the control already had. The observer reads the new value from the
// control itself. One observer for the whole program (the UI driver records
// the changes it watches); empty for none.
using ControlObserver = std::function<void(QObject* control, ControlProperty property)>;
void SetControlObserver(ControlObserver observer);

// Timers: the interval as given (unscaled), run scaled.
void SetTimerInterval(QTimer* t, int programMs);
int TimerInterval(const QTimer* t);
void EnableTimer(QTimer* t, bool enabled);

}  // namespace cobalin::ui
