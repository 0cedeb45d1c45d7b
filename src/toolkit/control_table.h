// A window's controls as one declarative table: name, kind, container,
// geometry in twips and created state. The windows are built from it, so
// every position that no rule of the program computes stands here once.
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <span>

#include "toolkit/controls.h"

namespace cobalin::ui {

enum class Kind { Frame, PlainFrame, Label, TextBox, ListBox, ComboBox, Option, Check, Button, Picture, Line };

struct ControlOptions {
    bool hidden = false;
    bool disabled = false;
    bool checked = false;
    int maxLength = 0;
    const char* mask = "";
    const char* tooltip = "";
    long foreColor = -1;     // BGR, -1 for the default
    long backColor = -1;
    bool readOnly = false;
    bool wrap = false;       // a label whose caption wraps, from its top
    bool centered = false;   // a wrapping label's lines stand in its middle (a status line)
    int fontPoints = 0;      // 0: the window's font
    bool tightLines = false; // a list box whose lines are as high as its font, with no space between
};

struct ControlDef {
    const char* name;        // the control's name; "_..." for unnamed caption labels
    Kind kind;
    const char* parent;      // container name; "" for the window itself
    Twips at;                // a line's x1, y1, x2, y2 in left, top, width, height
    const char* text;        // caption, or a text box's initial text
    ControlOptions o;
};

// Builds every control of the table inside window; returns them by name.
QHash<QString, QWidget*> BuildControls(QWidget* window, std::span<const ControlDef> table);

}  // namespace cobalin::ui
