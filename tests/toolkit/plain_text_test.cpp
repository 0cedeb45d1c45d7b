// Texts that look like markup ("<b>x</b>", "<img src=...>", "&lt;") are
// shown as they are by every kind of control, the tool tips and the boxes:
// a device or a file chooses them, so nothing in them is ever rendered.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "toolkit/dialogs.h"
#include "toolkit/form.h"

using namespace cobalin::ui;

namespace {

const QString kMarkup[] = {"<b>x</b>", "<img src=/etc/passwd>", "&lt;", "<a href=\"file:///etc\">x</a>",
                           "<!-- x --><i>y</i>"};

constexpr ControlDef kTable[] = {
    {"Label1", Kind::Label, "", {0, 0, 6000, 300}, "", {}},
    {"Frame1", Kind::Frame, "", {0, 300, 6000, 900}, "", {}},
    {"Command1", Kind::Button, "Frame1", {0, 300, 3000, 300}, "", {}},
    {"Check1", Kind::Check, "Frame1", {3000, 300, 3000, 300}, "", {}},
    {"Option1", Kind::Option, "Frame1", {0, 600, 3000, 300}, "", {}},
    {"List1", Kind::ListBox, "", {0, 1200, 6000, 900}, "", {}},
    {"Combo1", Kind::ComboBox, "", {0, 2100, 6000, 300}, "", {}},
};

// Runs `look` on the first modal box once it is shown, then closes it.
void OnModal(std::function<void(QWidget*)> look) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, look] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        poll->stop();
        poll->deleteLater();
        look(box);
    });
    poll->start(5);
}

}  // namespace

TEST(PlainText, LabelsShowTheirCaptionLiterally) {
    Form f("FormTest", kTable, 6000, 3000);
    auto* label = f.Get<QLabel>("Label1");
    for (const QString& text : kMarkup) {
        SetCaption(label, text);
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << text.toStdString();
        EXPECT_EQ(label->text(), text);
        EXPECT_EQ(Caption(label), text);
        // Rendered, the literal text takes its whole width; as markup it would
        // shrink to "x" or to an image.
        EXPECT_GE(label->sizeHint().width(), QFontMetrics(label->font()).horizontalAdvance(text)) << text.toStdString();
    }
    // The toolkit's "&&" stays one "&" on a label.
    SetCaption(label, "Version && Date : ");
    EXPECT_EQ(label->text(), "Version & Date : ");
    EXPECT_EQ(Caption(label), "Version && Date : ");
}

TEST(PlainText, ButtonsFramesListsAndDropDownsShowTheirTextLiterally) {
    Form f("FormTest", kTable, 6000, 3000);
    for (const QString& text : kMarkup) {
        for (const char* name : {"Command1", "Check1", "Option1", "Frame1"}) {
            SetCaption(f.Control(name), text);
            EXPECT_EQ(Caption(f.Control(name)), text) << name;
        }
        EXPECT_EQ(f.Get<QAbstractButton>("Command1")->text(), text);
        EXPECT_EQ(f.Get<QGroupBox>("Frame1")->title(), text);
        for (const char* name : {"List1", "Combo1"}) {
            ClearItems(f.Control(name));
            AddItem(f.Control(name), text);
            SelectRow(f.Control(name), 0);
            EXPECT_EQ(TextOf(f.Control(name)), text) << name;
        }
        // A list line is drawn from its display text, never as markup.
        const QListWidgetItem* line = f.Get<QListWidget>("List1")->item(0);
        EXPECT_EQ(line->data(Qt::DisplayRole).toString(), text);
    }
}

TEST(PlainText, ToolTipsShowTheirTextLiterally) {
    Form f("FormTest", kTable, 6000, 3000);
    QWidget* label = f.Control("Label1");
    for (const QString& text : {kMarkup[0], kMarkup[1], kMarkup[2], kMarkup[3], QString("two  spaces\nand a line")}) {
        SetToolTip(label, text);
        EXPECT_EQ(ToolTip(label), text) << "what the program and the driver read back";
        // Qt renders a tool tip as rich text when it looks like markup: what it
        // renders must be the text itself.
        ASSERT_TRUE(Qt::mightBeRichText(label->toolTip()));
        QTextDocument shown;
        shown.setHtml(label->toolTip());
        EXPECT_EQ(shown.toPlainText(), text);
    }
    SetToolTip(label, "");
    EXPECT_EQ(label->toolTip(), "") << "no tip at all";
    EXPECT_EQ(ToolTip(label), "");
}

TEST(PlainText, MessageAndInputBoxesShowTheirTextLiterally) {
    ScreenDialogs dialogs;
    for (const QString& text : kMarkup) {
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        OnModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            format = box->textFormat();
            shown = box->findChild<QLabel*>("qt_msgbox_label")->text();
            EXPECT_EQ(box->findChild<QLabel*>("qt_msgbox_label")->textFormat(), Qt::PlainText);
            box->button(QMessageBox::Ok)->click();
        });
        EXPECT_EQ(dialogs.Message(text, text, MessageIcon::Warning, MessageButtons::OK), MessageAnswer::OK);
        EXPECT_EQ(format, Qt::PlainText) << text.toStdString();
        EXPECT_EQ(shown, text);

        OnModal([&](QWidget* w) {
            auto* box = qobject_cast<QInputDialog*>(w);
            ASSERT_NE(box, nullptr);
            const auto labels = box->findChildren<QLabel*>();
            ASSERT_EQ(labels.size(), 1);
            format = labels[0]->textFormat();
            shown = labels[0]->text();
            box->setTextValue(box->textValue() + "!");
            box->accept();
        });
        EXPECT_EQ(dialogs.Input(text, "", text), text + "!");
        EXPECT_EQ(format, Qt::PlainText) << text.toStdString();
        EXPECT_EQ(shown, text);
    }
}
