// A device chooses its own name, hardware ID and company name; whatever they
// look like, the details view shows them as they are.
#include <QLabel>
#include <gtest/gtest.h>

#include "features/writes_fixture.h"

using namespace cobalin;
using cobalin::testing::WritesApp;

TEST(DeviceText, MarkupInADevicesTextsIsShownLiterally) {
    for (const std::string name : {"<b>x</b>", "<img src=/etc/x>", "&lt;", "<i>a</i>&amp;"}) {
        WritesApp app;
        // The device's own texts, as it sent them.
        app.Add(cobalin::testing::PagedDevice(1)
                    .Row(PagedRow::ServerName, name)
                    .Row(PagedRow::HardwareId, name)
                    .Row(PagedRow::CompanyName, "<u>" + name + "</u>"));
        app.pick(0);
        const QString shown = QString::fromStdString(name);
        auto* label17 = app.form.Get<QLabel>("Label17");
        EXPECT_EQ(label17->text(), shown);
        EXPECT_EQ(label17->textFormat(), Qt::PlainText) << name;
        EXPECT_EQ(app.text("Label17"), shown);
        const QStringList values = app.items("List5");
        EXPECT_EQ(values[PagedRow::ServerName], shown);
        EXPECT_EQ(values[PagedRow::HardwareId], shown);
        EXPECT_EQ(values[PagedRow::CompanyName], "<u>" + shown + "</u>");
    }
}
