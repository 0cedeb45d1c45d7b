// Whether a caption fits the room its control gives it, and the caption
// shortened with "…" when it does not. The room is where the control's
// style draws the text: a label's own rectangle, a button's inside, the
// space beside an option's or a check box's mark, a frame's title line. A
// label that wraps its caption counts the wrapped lines against its height.
// And whether the lines of a list box or drop-down list show whole.
#pragma once

#include <QString>
#include <QWidget>

namespace cobalin::ui {

// A label, button, option button, check box or captioned frame.
bool IsCaptioned(const QWidget* w);

// The caption as the control draws it whole: a label shows "&&" as one "&"
// (buttons and frames do so by themselves).
QString DrawnCaption(const QWidget* w, const QString& caption);
// The caption as a person reads it, for a tool tip.
QString ReadableCaption(const QString& caption);

// The drawn text fits the control's own room; with cutByContainers, the room
// left of it where the frames and the window around the control end.
bool CaptionFits(const QWidget* w, const QString& drawn, bool cutByContainers = false);

// The drawn text shortened with "…" to fit the control's own room: the end
// of one line, or of the last line a wrapping label has room for.
QString ElidedCaption(const QWidget* w, const QString& drawn);

// What a caption needs and what it is given, in pixels, for messages.
QString RoomReport(const QWidget* w, const QString& drawn);

// A list box or drop-down list.
bool IsLineList(const QWidget* w);

// Every line the list holds shows whole: a list box's in the width it shows
// without scrolling sideways, less its vertical scroll bar when its lines
// need one; a drop-down list's in the field that shows the chosen line.
// With cutByContainers, the room left of it where the frames and the window
// around the list end.
bool LinesFit(const QWidget* list, bool cutByContainers = false);

// How many whole lines a list box shows at once, within the frames and the
// window around it (0 for a list without lines, whose height is unknown).
int LinesShown(const QWidget* list);

// The widest line of a list, what it needs and what it is given, in
// pixels, for messages.
QString LinesRoomReport(const QWidget* list);

}  // namespace cobalin::ui
