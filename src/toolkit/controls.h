// The toolkit semantics the windows rely on, each written once: twip
// geometry, the controls' own Enabled and Visible flags, colours as BGR
// numbers, captions, tags, pictures, and selections made in code that run
// the control's handler exactly once. Every change made through these
// helpers is told to the change observer.
#pragma once

#include <array>

#include <QColor>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <string>
#include <string_view>

#include "toolkit/observed.h"

class QComboBox;
class QListWidget;
class QLineEdit;

namespace cobalin::ui {

constexpr int kTwipsPerPixel = 15;  // 1440 twips per inch at 96 dpi


// Controls of different kinds as one list, to run one step over each in turn.
template <class... W>
std::array<QWidget*, sizeof...(W)> Widgets(W*... controls) {
    return {controls...};
}

// Geometry in twips, kept as the logic set it and applied in pixels.
struct Twips {
    int left = 0, top = 0, width = 0, height = 0;
};
Twips GetTwips(const QWidget* w);
void SetTwips(QWidget* w, Twips t);
void SetLeft(QWidget* w, int left);
void SetTop(QWidget* w, int top);
void SetWidth(QWidget* w, int width);
void SetHeight(QWidget* w, int height);
void MoveTo(QWidget* w, int left, int top);
inline int Top(const QWidget* w) { return GetTwips(w).top; }
inline int Height(const QWidget* w) { return GetTwips(w).height; }
inline int Bottom(const QWidget* w) { return Top(w) + Height(w); }

// A window's size in twips (its inner size).
void SetWindowTwips(QWidget* window, int width, int height);
void SetWindowWidth(QWidget* window, int width);
void SetWindowHeight(QWidget* window, int height);

// The control's own flags, not folded with its frames.
bool OwnVisible(const QWidget* w);
bool OwnEnabled(const QWidget* w);
void Show(QWidget* w, bool visible = true);
void Hide(QWidget* w);
void Enable(QWidget* w, bool enabled = true);
void Disable(QWidget* w);

// Colours are BGR numbers (255 red, 0 black, &H00FFC0C0 light blue).
QColor ColorFromBgr(unsigned bgr);
unsigned BgrFromColor(const QColor& c);
void SetForeColor(QWidget* w, unsigned bgr);
void SetBackColor(QWidget* w, unsigned bgr);
unsigned ForeColor(const QWidget* w);
unsigned BackColor(const QWidget* w);

// The caption of a label, button, option, check box, frame or window, as the
// program set it ("Version && Date : " shows one "&"). A label shows its
// caption as plain text: a device named "<b>x</b>" is shown by that name. A
// caption that needs more room than its control's size gives it is shown
// shortened with "…", and whole in the control's tool tip; a change of the
// control's size or font fits it again.
void SetCaption(QWidget* w, const QString& caption);
QString Caption(const QWidget* w);
// The caption is shown shortened at the moment.
bool CaptionElided(const QWidget* w);
// The caption needs more room than the control gives it (its size, cut by
// the frames and the window around it), and its tool tip does not hold the
// whole caption. False for a control hidden by itself or by a frame.
bool CaptionClipped(const QWidget* w);
// A line of a list box or drop-down list needs more width than the list
// shows without scrolling sideways (a list box's vertical scroll bar takes
// its part), cut by the frames and the window around it. False for a list
// hidden by itself or by a frame, and for any other control.
bool LinesClipped(const QWidget* w);

// The control's own tool tip, always shown as plain text (Qt would guess
// rich text from a tip such as "<img src=...>"). While the caption is
// shortened, the tool tip shows the whole caption first.
void SetToolTip(QWidget* w, const QString& tip);
// The tool tip as shown.
QString ToolTip(const QWidget* w);
// A text box's text, a drop-down list's shown text, else the caption.
QString TextOf(const QWidget* w);
// The same as UTF-8, as the core takes typed text.
inline std::string TypedText(const QWidget* w) { return TextOf(w).toStdString(); }
// Device or file text (Windows-1252 bytes) as the controls show it.
QString FromAnsi(std::string_view ansi);
// The program's own UTF-8 text (a table's) as the controls show it.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
void SetText(QWidget* w, const QString& text);

void SetTag(QObject* o, const QString& tag);
QString Tag(const QObject* o);

// A picture control shows a bitmap file; the name (without folder) of the
// last one loaded is kept. False when the file cannot be loaded (the picture
// is then left as it was).
bool LoadPicture(QWidget* w, const QString& path);
QString PictureName(const QWidget* w);

// Lists and drop-down lists.
using SelectHandler = std::function<void()>;
// The handler run by a user's or the code's selection (and a click on a list).
void SetSelectHandler(QWidget* list, SelectHandler handler);
void RunSelectHandler(QWidget* list);
// A user's pick in a list (a new current line) or drop-down list (an entry
// chosen) runs the control's selection handler.
void ConnectUserSelection(QWidget* list);
// Selects a line (or none with -1) and runs the handler once, synchronously,
// even when the line was already selected.
void SelectRow(QWidget* list, int row);
// Selects without running any handler.
void SetRowQuietly(QWidget* list, int row);
int SelectedRow(const QWidget* list);
QStringList Items(const QWidget* list);
int ItemCount(const QWidget* list);
void ClearItems(QWidget* list);
void AddItem(QWidget* list, const QString& text);
// Replaces a list box's lines, keeping those that stay the same, and leaves
// no line selected.
void ReplaceItems(QWidget* list, const QStringList& lines);
void SetItemText(QWidget* list, int row, const QString& text);

// A text box's validation when the focus leaves it: true keeps the focus.
using ValidateHandler = std::function<bool()>;
void SetValidateHandler(QWidget* w, ValidateHandler handler);
// Runs the validation; true when the control keeps the focus.
bool RunValidateHandler(QWidget* w);

// Option buttons and check boxes.
void SetChecked(QWidget* w, bool checked);
bool IsChecked(const QWidget* w);

// Line controls (end points in twips, relative to the container).
struct LineEnds {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
LineEnds GetLine(const QWidget* line);
void SetLine(QWidget* line, LineEnds ends);

// A text box's mask character ("" for none) and maximum length (0: none).
void SetMask(QLineEdit* box, const QString& mask);
void SetMaxLength(QLineEdit* box, int maxLength);
int MaxLength(const QLineEdit* box);
QString Mask(const QLineEdit* box);

}  // namespace cobalin::ui
