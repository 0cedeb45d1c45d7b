// The engineering face's features built directly on one main window, with a
// stand-in for the single ping, devices put into the table as the reply
// intake would, and helpers that play a device on the loopback address.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QString>
#include <ostream>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "core/ping.h"
#include "core/temp_dir.h"
#include "core/text_conversions.h"
#include "driver/scripted_dialogs.h"
#include "features/details/details_view.h"
#include "features/editor/parameter_editor.h"
#include "features/ping/ping_scan.h"
#include "features/search/command_channel.h"
#include "features/search/found_lists.h"
#include "features/search/reply_receivers.h"
#include "features/search/search_orchestration.h"
#include "features/writes/device_writes.h"
#include "listed_device.h"
#include "loopback_udp.h"
#include "record_builder.h"
#include "toolkit/controls.h"
#include "toolkit/program_time.h"
#include "writable_store.h"

// Readable QString values in the test messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace cobalin::testing {

inline std::string MacText(uint8_t last) {
    char b[18];
    std::snprintf(b, sizeof b, "02:7E:3A:04:C8:%02X", last);
    return b;
}

// A paged device as the tests' devices are: page headers, identity and a
// serial copy of its own.
inline RecordBuilder PagedDevice(uint8_t last) {
    return RecordBuilder::Paged(Mac(last)).Row(PagedRow::SerialHardware, "SER-" + std::to_string(last));
}

// The usual device of these tests: a name, an address on the loopback
// network and choices that match their lists.
inline DeviceRecord UsualRecord(uint8_t last) {
    using P = PagedRow;
    return PagedDevice(last)
        .Row(P::ServerName, "Dev" + std::to_string(last))
        .Row(P::Password, "pw")
        .Row(P::IpAddress, "127.0.0." + std::to_string(last))
        .Row(P::Netmask, "255.0.0.0")
        .Row(P::SerialPort, "1")
        .Row(P::BaudRate, "9600")
        .Row(P::DataStopBits, "8-1")
        .Row(P::ConnectionMode, "Server")
        .Row(P::TcpUdpPort, "4000")
        .Row(P::MaxConnection, "1")
        .Row(P::ModelNo, "M1");
}

// A LAN module's answer for the device with this last MAC byte.
inline Bytes ModuleAnswer(uint8_t last) { return ModuleAnswer(Mac(last)); }

// What the helpers changed on the controls the tests follow, with the program
// time of each change; `on` runs after each record (to act at a moment of a
// sequence, as a user or a device would).
struct ChangeLog {
    struct Entry {
        QString name;
        QString value;
        double t;
    };
    ChangeLog() {
        clock.start();
        ui::SetControlObserver([this](QObject* o, ui::ControlProperty p) { Seen(o, p); });
    }
    ~ChangeLog() { ui::SetControlObserver({}); }

    double Now() const { return static_cast<double>(clock.nsecsElapsed()) / 1e9 / TimeScale(); }

    void Seen(QObject* o, ui::ControlProperty p) {
        const QString name = o->objectName();
        QString value;
        if (p == ui::ControlProperty::Caption && (name == "Label1" || name == "Label54(1)")) {
            value = ui::Caption(static_cast<QWidget*>(o));
        } else if (p == ui::ControlProperty::Enabled && (name == "Frame6" || name == "Command9")) {
            value = ui::OwnEnabled(static_cast<QWidget*>(o)) ? "on" : "off";
        } else if (p == ui::ControlProperty::ForeColor && (name == "Label1" || name == "Label54(1)")) {
            Record({name + " color", QString::number(ui::ForeColor(static_cast<QWidget*>(o))), Now()});
            return;
        } else {
            return;
        }
        Record({name, value, Now()});
    }
    void Record(const Entry& e) {
        entries.push_back(e);
        // A copy: what `on` does may record more.
        if (on) on(Entry(e));
    }

    // The values recorded for one control, in order.
    QStringList Of(const QString& name) const {
        QStringList out;
        for (const auto& e : entries)
            if (e.name == name) out << e.value;
        return out;
    }
    // Index of the first entry of a control with a value, from `from` on; -1 when none.
    int Find(const QString& name, const QString& value, int from = 0) const {
        for (int i = from; i < static_cast<int>(entries.size()); ++i)
            if (entries[static_cast<size_t>(i)].name == name && entries[static_cast<size_t>(i)].value == value) return i;
        return -1;
    }

    QElapsedTimer clock;
    std::vector<Entry> entries;
    std::function<void(const Entry&)> on;
};

// Label1's texts without the operation timer's own progress ("Sending...3",
// "Searching...12"): what the sequence itself wrote, in order.
inline QStringList SequenceTexts(const QStringList& label1) {
    QStringList out;
    for (const QString& t : label1) {
        bool number = false;
        for (const char* word : {"Sending...", "Searching..."})
            if (t.startsWith(word)) t.mid(static_cast<int>(std::strlen(word))).toInt(&number);
        if (!number) out << t;
    }
    return out;
}

struct WritesApp {
    WritesApp() : state(dir.path().string()) {
        // Only the loopback address, wherever a request goes.
        ui::SetText(c("txtIPaddr"), "127.0.0.1");
        ui::SetText(c("txtRemotePort"), "8888");
    }

    QWidget* c(const char* name) const { return form.Control(name); }
    QString text(const char* name) const { return ui::TextOf(c(name)); }
    bool visible(const char* name) const { return ui::OwnVisible(c(name)); }
    bool enabled(const char* name) const { return ui::OwnEnabled(c(name)); }
    QStringList items(const char* name) const { return ui::Items(c(name)); }
    // A user's click: nothing happens on a button that is disabled (itself or by a frame).
    void click(const char* name) { form.Get<QPushButton>(name)->click(); }
    DeviceEntry& entry(int i) { return Writable(state.Devices)->DeviceTable[static_cast<size_t>(i)]; }

    // Puts a device's pages (those given) into the table as the reply intake
    // would and lists it in List1; its index.
    int Add(const DeviceRecord& r, bool paged = true, std::initializer_list<int> pages = {0, 1, 2}) {
        DeviceStore& store = *Writable(state.Devices);
        if (!paged) {
            return ListDevice(store, c("List1"), {Bytes(r.begin(), r.begin() + kShortRecordSize)});
        }
        std::vector<Bytes> replies;
        for (int p : pages) replies.push_back(PageBytes(r, p));
        return ListDevice(store, c("List1"), replies);
    }
    // Selects a line of List1 as a user's click does (the details fill the lists).
    void pick(int row) { ui::SelectRow(c("List1"), row); }
    // Selects a parameter row as a user's click on List5 does.
    void row(int r) { ui::SelectRow(c("List5"), r); }
    void apply(int r, const QString& value) {
        row(r);
        ui::SetText(c("Text4"), value);
        click("Command6");
    }

    // Lets the program run until no operation runs and no update waits for
    // its search (at most `seconds` of program time).
    bool Settle(double seconds = 60) {
        return WaitUntil([this] { return state.OperationTick == kNoOperation && !form.Timer1->isActive() && !writes.busy(); },
                         seconds);
    }

    // Lets the program run until SetBaud's connection is made or given up.
    bool SettleBaud(double seconds = 20) {
        return WaitUntil([this] { return !session.BaudConnecting(); }, seconds);
    }

    // The stand-in for the network of the single ping.
    PingService::Echo Echo() {
        return [this](uint32_t a) {
            uint8_t b[4];
            std::memcpy(b, &a, 4);
            const std::string address = FormatDotted(b);
            pinged.push_back(address);
            for (const auto& s : answering)
                if (s == address) return ui::EchoResult{kPingSuccess, false};
            return ui::EchoResult{kPingTimedOut, false};
        };
    }

    TempDir dir;
    AppState state;
    DeviceSession session{state};
    ui::FormMain form{session};
    ui::ScriptedDialogs dialogs;
    std::vector<std::string> answering;
    std::vector<std::string> pinged;
    CommandChannel commands{form, dialogs};
    FoundLists lists{form, state};
    SearchOrchestration search{form, state, commands, lists};
    ReplyReceivers receivers{form, state};
    DetailsView details{form, state};
    PingService pinger{Echo()};
    PingScan ping{form, state, dialogs, pinger};
    ParameterEditor editor{form, state, ping};
    DeviceWrites writes{form, state, commands, search, editor};
};

}  // namespace cobalin::testing
