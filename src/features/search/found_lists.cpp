#include "features/search/found_lists.h"

#include "core/device_class.h"
#include "toolkit/controls.h"
#include "windows/names.h"

namespace cobalin {

using namespace ui;

namespace {
constexpr const char* kPanelLists[] = {"Combo4", "Combo5", "Combo6", "List7"};
}

void FoundLists::FillFoundList() {
    QWidget* list1 = form_.Control("List1");
    QWidget* list6 = form_.Control("List6");
    QWidget* models = form_.Control("Combo1");
    const int n = ItemCount(list1);
    if (n == 0) {
        SetCaption(form_.Control("Label44"), "Found...0 device(s)");
        return;
    }
    const QStringList lines = Items(list1);
    for (int k = 0; k < n; ++k) {
        SelectRow(list1, k);
        const QStringList values = Items(form_.Control("List5"));
        const QString model = values.size() > PagedRow::ModelNo ? values[PagedRow::ModelNo] : QString();
        const int chosen = SelectedRow(models);
        // An empty model always occurs in the chosen name.
        if (chosen <= 0 || TextOf(models).contains(model)) AddItem(list6, lines[k]);
    }
    if (ItemCount(list6) > 0) {
        SetCaption(form_.Control("Label44"), QString("Found...%1 device(s)").arg(ItemCount(list6)));
        SetForeColor(form_.Control("Label54(1)"), kBlack);
    }
}

void FoundLists::EmptyPanelLists() {
    for (const char* name : kPanelLists) {
        ClearItems(form_.Control(name));
        Disable(form_.Control(name));
    }
    Enable(form_.Control("Frame22"));
    Disable(form_.Control("Command34(2)"));
    for (int i : {1, 0, 3, 4, 5}) Enable(form_.Control(QString("Command34(%1)").arg(i)));
}

void FoundLists::ClearConfigurationFields() {
    for (int i : {0, 1, 2, 6, 7, 8, 9, 10}) SetText(form_.Control(QString("Text12(%1)").arg(i)), "");
    SetChecked(form_.Control("Option2(1)"), true);
    EmptyPanelLists();
}

void FoundLists::FillPanelLists() {
    QWidget* list6 = form_.Control("List6");
    QWidget* all = form_.Control("Combo4");
    QWidget* dongles = form_.Control("Combo5");
    QWidget* boxes = form_.Control("Combo6");
    QWidget* list7 = form_.Control("List7");
    const bool dongleType = state_.DeviceType == DeviceClass::IpDongle;

    if (ItemCount(list6) == 0) {
        EmptyPanelLists();
    } else {
        for (const char* name : kPanelLists) ClearItems(form_.Control(name));
        const QStringList lines = Items(list6);
        for (int i = 0; i < lines.size(); ++i) {
            AddItem(all, lines[i]);
            SelectRow(list6, i);
            const DeviceClass c = ClassifyDevice(state_.ParameterTexts[PagedRow::Mac], lines[i].toStdString(),
                                                 state_.ParameterTexts[PagedRow::HardwareId]);
            if (c == DeviceClass::IpDongle) AddItem(dongles, lines[i]);
            else if (c == DeviceClass::ZentaBox) AddItem(boxes, lines[i]);
        }
        if (ItemCount(dongles) == 0 && ItemCount(boxes) == 0) {
            ClearConfigurationFields();
        } else if (state_.DeviceType != DeviceClass::None) {
            Enable(form_.Control("Frame22"));
            QWidget* mine = dongleType ? dongles : boxes;
            if (ItemCount(mine) == 0) {
                ClearConfigurationFields();
            } else {
                SelectRow(mine, 0);
                for (const char* name : kPanelLists) Enable(form_.Control(name));
                for (int i : {2, 1, 0, 3, 4, 5}) Enable(form_.Control(QString("Command34(%1)").arg(i)));
            }
        }
    }

    // Report and fill List7 with the devices of the chosen type.
    if (state_.DeviceType != DeviceClass::None) {
        QWidget* mine = dongleType ? dongles : boxes;
        QWidget* status = form_.Control("Label54(1)");
        SetForeColor(status, kBlack);
        SetCaption(status, QString("Found...%1 %2").arg(ItemCount(mine)).arg(dongleType ? "IP Dongle(s)" : "ZentaBox(s)"));
        ClearItems(list7);
        SetText(form_.Control("Text12(11)"), "");
        for (const QString& line : Items(mine)) AddItem(list7, line);
        if (ItemCount(list7) > 0) {
            SelectRow(list7, SelectedRow(mine));
            SetText(form_.Control("Text12(11)"), Items(list7).front());
        }
        if (dongleType)
            for (const char* name : {"Text12(8)", "Text12(9)", "Text12(10)"}) SetText(form_.Control(name), "");
    }
    Enable(form_.Control("Command34(4)"), state_.CloseAllowed);
}

}  // namespace cobalin
