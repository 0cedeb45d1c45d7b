// The ping scan and the single ping with a stand-in for the network: which
// addresses are pinged in which order, what the lists and the status line
// show, Stop, and what a click during a running scan does.
#include "features/ping/ping_scan.h"

#include <gtest/gtest.h>

#include <QJsonObject>
#include <QPushButton>
#include <cstring>

#include "core/ping.h"
#include "core/temp_dir.h"
#include "driver/scripted_dialogs.h"
#include "toolkit/controls.h"
#include "toolkit/program_clock.h"

using namespace cobalin;
using namespace cobalin::ui;

namespace {

std::string Dotted(uint32_t a) {
    uint8_t b[4];
    std::memcpy(b, &a, 4);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." + std::to_string(b[3]);
}

struct PingFixture : ::testing::Test {
    PingFixture() : state(dir.path().string()) {}

    // The fake network: answers for the addresses in `answering`, records
    // every address pinged, and runs `during` while an address is pinged.
    PingService::Echo Echo() {
        return [this](uint32_t a) {
            const std::string address = Dotted(a);
            pinged.push_back(address);
            if (during) during(address);
            if (noSocket) return EchoResult{kPingGeneralFailure, true};
            for (const auto& s : answering)
                if (s == address) return EchoResult{kPingSuccess, false};
            return EchoResult{kPingTimedOut, false};
        };
    }
    QStringList list(const char* name) { return Items(form.Control(name)); }
    QString status() { return Caption(form.Control("Label1")); }
    QString caption() { return Caption(form.Control("Command4")); }
    void click() { form.Get<QPushButton>("Command4")->click(); }
    // A click that starts a scan returns at once; the scan runs on from the
    // event loop until its end.
    // The single ping to its end: what it answered.
    int16_t pingOne(const std::string& address) {
        int16_t answered = -1;
        EXPECT_TRUE(scan.PingOne(address, [&](int16_t a) { answered = a; }));
        EXPECT_FALSE(scan.PingOne(address, nullptr)) << "one at a time";
        EXPECT_TRUE(WaitUntil([&] { return answered >= 0; }, 60));
        return answered;
    }
    void scanToEnd() {
        click();
        EXPECT_TRUE(scan.scanning()) << "the click returns while the scan runs";
        EXPECT_TRUE(WaitUntil([this] { return !scan.scanning(); }, 600));
    }

    ManualClock clock;  // first in, last out: the scan's waits are on it
    cobalin::testing::TempDir dir;
    AppState state;
    DeviceSession session{state};
    FormMain form{session};
    ScriptedDialogs dialogs;
    std::vector<std::string> answering = {"192.168.1.2", "192.168.1.50", "192.168.1.100"};
    std::vector<std::string> pinged;
    std::function<void(const std::string&)> during;
    bool noSocket = false;
    PingService pinger{Echo()};
    PingScan scan{form, state, dialogs, pinger};
};

QStringList Range(int first, int last, const std::vector<int>& except = {}) {
    QStringList out;
    for (int i = first; i <= last; ++i)
        if (std::find(except.begin(), except.end(), i) == except.end()) out << QString("192.168.1.%1").arg(i);
    return out;
}

}  // namespace

TEST_F(PingFixture, FullScanPingsOneToHundredInOrder) {
    std::vector<QString> statuses;
    during = [&](const std::string&) { statuses.push_back(status()); };
    scanToEnd();
    ASSERT_EQ(pinged.size(), 100u);
    for (int i = 1; i <= 100; ++i) EXPECT_EQ(pinged[i - 1], "192.168.1." + std::to_string(i));
    EXPECT_EQ(list("List2"), QStringList({"192.168.1.2", "192.168.1.50", "192.168.1.100"}));
    EXPECT_EQ(list("List3"), Range(1, 99, {2, 50}));
    // While .2 is pinged, the line shows .1's result; after .50 its success.
    EXPECT_EQ(statuses[0], "Scanning...");
    EXPECT_EQ(statuses[1], "Scanning...192.168.1.1, Status=11010 [ ip req timed out ]");
    EXPECT_EQ(statuses[50], "Scanning...192.168.1.50, Status=0 [ ip success ]");
    EXPECT_EQ(status(), "Scanning...Done");
    EXPECT_EQ(caption(), "Ping");
    EXPECT_FALSE(scan.scanning());
    EXPECT_EQ(dialogs.shownCount(), 0);
}

TEST_F(PingFixture, StopEndsAfterTheAddressInFlightAndASecondScanClearsTheLists) {
    std::vector<QString> captions;
    during = [&](const std::string& a) {
        captions.push_back(caption());
        if (a == "192.168.1.37") click();  // Stop
    };
    scanToEnd();
    EXPECT_EQ(pinged.size(), 37u);
    EXPECT_EQ(pinged.back(), "192.168.1.37");
    EXPECT_EQ(captions.front(), "Stop");
    EXPECT_EQ(list("List2"), QStringList({"192.168.1.2"}));
    EXPECT_EQ(list("List3").size(), 36);
    EXPECT_EQ(list("List3").back(), "192.168.1.37");
    EXPECT_EQ(status(), "Scanning...Done");
    EXPECT_EQ(caption(), "Ping");

    pinged.clear();
    during = {};
    answering = {"192.168.1.99"};
    scanToEnd();
    EXPECT_EQ(pinged.size(), 100u);
    EXPECT_EQ(list("List2"), QStringList({"192.168.1.99"}));
    EXPECT_EQ(list("List3").size(), 99);
}

TEST_F(PingFixture, APingClickWhileTheStoppedLoopStillRunsStartsNothing) {
    during = [&](const std::string& a) {
        if (a == "192.168.1.37") {
            click();  // Stop: the caption reads "Ping" again at once
            EXPECT_EQ(caption(), "Ping");
            click();  // a quick second click while the loop is still running
            EXPECT_EQ(caption(), "Ping");
        }
    };
    scanToEnd();
    EXPECT_EQ(pinged.size(), 37u);
    EXPECT_EQ(list("List2").size() + list("List3").size(), 37);
    EXPECT_EQ(status(), "Scanning...Done");
}

TEST_F(PingFixture, NoIcmpSocketShowsOneMessagePerScan) {
    noSocket = true;
    scanToEnd();
    EXPECT_EQ(pinged.size(), 100u);
    EXPECT_EQ(list("List2").size(), 0);
    EXPECT_EQ(list("List3"), Range(1, 100));
    EXPECT_EQ(status(), "Scanning...Done");
    const QJsonArray shown = dialogs.TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].toObject().value("text").toString().contains("ping_group_range"));
    scanToEnd();
    EXPECT_EQ(dialogs.TakeShown().size(), 1);  // the next scan says it again, once
}

TEST_F(PingFixture, PingOne) {
    std::vector<QString> statuses;
    during = [&](const std::string&) { statuses.push_back(status()); };
    EXPECT_EQ(pingOne("192.168.1.50"), 1);
    EXPECT_EQ(statuses, std::vector<QString>({"Scanning...192.168.1.50"}));
    EXPECT_EQ(status(), "Scanning...Done. IP=192.168.1.50, status=0 [ ip success ]");
    EXPECT_EQ(pingOne("192.168.1.51"), 0);
    EXPECT_EQ(status(), "Scanning...Done. IP=192.168.1.51, status=11010 [ ip req timed out ]");
    noSocket = true;
    EXPECT_EQ(pingOne("192.168.1.50"), 0);
    EXPECT_EQ(status(), "Scanning...Done. IP=192.168.1.50, status=11050 [ ip general failure ]");
    EXPECT_EQ(dialogs.TakeShown().size(), 1);
}

TEST_F(PingFixture, AddressesThatAreNoAddressSendNothing) {
    for (const char* bad : {"10.0.0", "0.0.0.0", "192.168.1.300", "1.2.3.4.5", "192.168..1", "192.168.1.x"}) {
        EXPECT_EQ(pingOne(bad), 0) << bad;
        EXPECT_EQ(status(), QString("Scanning...Done. IP=%1, status=11018 [ ip bad destination ]").arg(bad));
    }
    EXPECT_TRUE(pinged.empty());
}
