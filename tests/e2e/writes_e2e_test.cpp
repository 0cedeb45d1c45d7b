// Writing to devices end to end: the program under the UI driver in the PC
// namespace changes simulated devices in the LAN namespace through the
// parameter editor, "Update (7)", "Reset", "Clear NSV" and "SetBaud". What
// reached the wire is read from the simulator's capture log; what the device
// holds afterwards from the test's own search.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "core/text_conversions.h"
#include "netlab_harness.h"

using namespace cobalin;
using namespace cobalin::e2e;

namespace {

constexpr double kScale = 0.05;
constexpr uint16_t kOwnSearchPort = 9101, kOwnModulePort = 9102;

std::string WriteLan(const std::string& name, const std::string& text) {
    const std::string path = TempPath("cobalin-e2e-writes-" + name + ".conf");
    std::ofstream(path) << text;
    return path;
}

// A program folder opening the engineering face at once.
std::string Home(const std::string& name) {
    const std::string dir = TempPath("cobalin-e2e-writes-home-" + name);
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Setting.ini") << "[RunMode]\nStartupAutoDeviceType=2\nAdvancedMode=1\nAdvIPDMode=1\n";
    return dir;
}

// One line of the simulator's capture log.
struct Wire {
    std::string proto, fromIp, toIp;
    int fromPort = 0, toPort = 0;
    Bytes data;
    std::string Route() const {
        return proto + " " + std::to_string(fromPort) + ">" + toIp + ":" + std::to_string(toPort) + " " + std::to_string(data.size());
    }
};

// Reads the lines the capture log gained since the last call, without the
// test's own look-ups (from its ports 9101 and 9102).
class Capture {
public:
    explicit Capture(std::string path) : path_(std::move(path)) { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }
    // The new lines once there are at least `count` of them, or what came
    // within the time: the simulator writes its log in a process of its own,
    // which may lag behind the program a little.
    std::vector<Wire> Await(size_t count, double seconds = 5) {
        std::vector<Wire> out = New();
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        while (out.size() < count && std::chrono::steady_clock::now() < end) {
            usleep(5000);
            for (auto& w : New()) out.push_back(std::move(w));
        }
        return out;
    }
    std::vector<Wire> New() {
        std::ifstream in(path_);
        std::vector<Wire> out;
        size_t n = 0;
        for (std::string line; std::getline(in, line); ++n) {
            if (n < seen_) continue;
            std::istringstream s(line);
            std::string t, from, arrow, to, len, hex;
            Wire w;
            s >> t >> w.proto >> from >> arrow >> to >> len >> hex;
            auto split = [](const std::string& ep, std::string& ip, int& port) {
                const size_t colon = ep.rfind(':');
                ip = ep.substr(0, colon);
                port = std::stoi(ep.substr(colon + 1));
            };
            split(from, w.fromIp, w.fromPort);
            split(to, w.toIp, w.toPort);
            if (w.fromPort == kOwnSearchPort || w.fromPort == kOwnModulePort) continue;
            for (size_t i = 0; i + 1 < hex.size(); i += 2) w.data.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
            out.push_back(std::move(w));
        }
        seen_ = n;
        return out;
    }

private:
    std::string path_;
    size_t seen_ = 0;
};

std::vector<std::string> Routes(const std::vector<Wire>& wires) {
    std::vector<std::string> out;
    for (const auto& w : wires) out.push_back(w.Route());
    return out;
}

// The positions where two byte strings differ, for a failure's message.
std::string Differences(const Bytes& got, const Bytes& want) {
    std::string out;
    for (size_t i = 0; i < std::max(got.size(), want.size()); ++i) {
        const int g = i < got.size() ? got[i] : -1, w = i < want.size() ? want[i] : -1;
        if (g != w) out += " [" + std::to_string(i) + "] " + std::to_string(g) + " not " + std::to_string(w);
    }
    return out;
}

// What the devices hold now, by the test's own search and module query
// (from ports of its own, so the program's sockets are not disturbed): waits
// for the given numbers of pages and module records, a few seconds at most.
std::unique_ptr<DeviceStore> DevicesNow(size_t pages, size_t modules = 0) {
    auto store = std::make_unique<DeviceStore>();
    UdpClient client(kOwnSearchPort);
    EXPECT_TRUE(client.bound());
    client.Send("255.255.255.255", kSearchPort, BuildSearchRequest(SearchNetwork, kSearchPort));
    const auto enough = [](size_t n) { return [n](const std::vector<Received>& got) { return got.size() >= n; }; };
    for (const auto& r : client.CollectUntil(enough(pages), 3)) ReplyIntake(*store, r.data);
    if (modules) {
        UdpClient module(kOwnModulePort);
        module.Send("255.255.255.255", kModulePort, BuildModuleQuery());
        for (const auto& r : module.CollectUntil(enough(modules), 3)) ModuleReplyIntake(*store, r.data);
    }
    return store;
}

const DeviceEntry* Find(const DeviceStore& store, const std::string& mac) {
    for (int i = 1; i <= store.DeviceCount; ++i)
        if (store.DeviceTable[static_cast<size_t>(i)].MacText == mac) return &store.DeviceTable[static_cast<size_t>(i)];
    return nullptr;
}

// The simulator and the program at one time scale, in a fresh virtual LAN.
class WritesE2E : public ::testing::Test {
protected:
    void SetUp() override { setenv("COBALIN_TIME_SCALE", std::to_string(kScale).c_str(), 1); }
    void TearDown() override { unsetenv("COBALIN_TIME_SCALE"); }

    // Starts the simulator on a LAN and the program, and searches.
    void Start(const std::string& name, const std::string& lan) {
        // Addresses earlier simulators of this LAN added stay on its interface
        // (they answer pings and connections): only this LAN's devices answer here.
        ASSERT_EQ(std::system((Env("COBALIN_NETLAB") + " exec lan ip -4 addr flush dev lan0").c_str()), 0);
        capture = std::make_unique<Capture>(TempPath("cobalin-e2e-writes-" + name + ".log"));
        sim = std::make_unique<SimProcess>(WriteLan(name, lan), std::vector<std::string>{"--capture", capture->path()});
        ASSERT_TRUE(sim->ready()) << sim->errors();
        app = std::make_unique<DriveProcess>(Home(name), kScale);
        ASSERT_EQ(app->Text("Command1"), "Search (1)");
        SearchAgain();
    }
    void SearchAgain() {
        ASSERT_EQ(app->Do("click Command1").value("ok"), true);
        ASSERT_EQ(app->Do("idle 60").value("ok"), true);
        capture->Await(2);  // the search and the timer's module query
    }
    // Selects the device in List1 (its details fill the editor); its index.
    int Pick(const std::string& mac) {
        const auto macs = Strings(app->Get("List1", "items"));
        const auto it = std::find(macs.begin(), macs.end(), mac);
        EXPECT_NE(it, macs.end()) << mac;
        if (it == macs.end()) return -1;
        const int row = static_cast<int>(it - macs.begin());
        EXPECT_EQ(app->Do("select List1 " + std::to_string(row)).value("ok"), true);
        return row + 1;
    }
    // Sets a row's value as a user does: a choice picked from Combo3, or text typed.
    void SetValue(int row, const std::string& value) {
        ASSERT_EQ(app->Do("select List5 " + std::to_string(row)).value("ok"), true);
        if (IsChoiceRow(row)) {
            const auto choices = Strings(app->Get("Combo3", "items"));
            const auto it = std::find(choices.begin(), choices.end(), value);
            ASSERT_NE(it, choices.end()) << row << " " << value;
            ASSERT_EQ(app->Do("select Combo3 " + std::to_string(it - choices.begin())).value("ok"), true);
            ASSERT_EQ(app->Text("Text4"), value);
        } else {
            ASSERT_EQ(app->Do("type Text4 " + value).value("ok"), true);
        }
        ASSERT_EQ(app->Do("click Command6").value("ok"), true);
        // The row shows what the record holds: a text cut to its field.
        const FieldDef& field = PagedFields()[static_cast<size_t>(row)];
        const std::string shown = field.write == WriteRule::Text ? value.substr(0, field.size) : value;
        EXPECT_EQ(Strings(app->Get("List5", "items"))[static_cast<size_t>(row)], shown);
    }
    // "Update (7)" and the wait for its follow-up search.
    void Update() {
        ASSERT_EQ(app->Do("click Command9").value("value"), "busy");
        ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    }

    std::unique_ptr<Capture> capture;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<DriveProcess> app;
};

const std::string kDevice = "02:00:00:00:50:01";

// The requests of a write, the module queries of the operation timer and the
// follow-up search with its own query, as the capture shows them.
const std::vector<std::string> kUpdateRoutes = {
    "UDP 8883>255.255.255.255:8890 59", "UDP 8884>255.255.255.255:8890 1031", "UDP 8884>255.255.255.255:8890 1007",
    "UDP 8882>255.255.255.255:8890 59", "UDP 8888>255.255.255.255:8880 173",  "UDP 8889>255.255.255.255:8888 23",
    "UDP 8888>255.255.255.255:8880 173"};

}  // namespace

TEST_F(WritesE2E, EveryEditableRowReachesTheDeviceByteForByte) {
    Start("rows", "[defaults]\nrestart = 4\npassword = admin\n"
                  "[device]\nmac = " + kDevice + "\nip = 192.168.1.21\nname = Dongle\nhwid = PCB-4193-02\nmodel = IPD-100\n"
                  "company = Zenta Solutions\nserial = D26000101\n"
                  "[device]\nmac = 02:00:00:00:50:02\nip = 192.168.1.22\nname = Bystander\n");
    // A value for every editable row; choices as the drop-down offers them.
    const std::pair<int, std::string> values[] = {
        {0, "Renamed through row 0"}, {2, "secret2"},  {3, "Enable"},       {4, "192.168.1.77"},  {5, "255.255.0.0"},
        {6, "192.168.1.2"},           {10, "PCB-4193-77"}, {11, "2"},       {12, "57600"},        {13, "7-2"},
        {14, "Odd"},                  {15, "RTS/CTS"}, {16, "UDP"},         {17, "300"},          {18, "7"},
        {19, "Client (no HB)"},       {24, "5000"},    {25, "RS485H"},      {27, "4"},            {28, "10.1.2.3"},
        {29, "IPD-200"},              {30, "A company name longer than sixteen characters"},    {31, "B-77"}};
    int editable = 0;
    for (int r = 0; r < 33; ++r) editable += IsEditableRow(r);
    ASSERT_EQ(std::size(values), static_cast<size_t>(editable));

    for (const auto& [row, value] : values) {
        SCOPED_TRACE(row);
        // The program's copy is the device's record as the search brought it.
        const auto before = DevicesNow(6);
        const DeviceEntry* device = Find(*before, kDevice);
        ASSERT_NE(device, nullptr);
        auto expected = std::make_unique<DeviceStore>();
        expected->DeviceTable[1] = *device;
        expected->DeviceCount = 1;
        ParameterTextArray texts;
        ASSERT_EQ(ApplyParameter(*expected, texts, row, value, 1), ApplyOutcome::Written);
        const DeviceRecord& want = expected->DeviceTable[1].Record;

        Pick(kDevice);
        SetValue(row, value);
        EXPECT_TRUE(capture->New().empty()) << "nothing is sent before Update (7)";
        Update();

        // On the wire: clear, A, B, reset, the timer's query, the search, its query.
        const auto wires = capture->Await(kUpdateRoutes.size());
        ASSERT_EQ(Routes(wires), kUpdateRoutes);
        const WriteDatagrams w = BuildWriteDatagrams(want);
        EXPECT_EQ(wires[0].data, BuildMaintenanceRequest(device->EchoBytes, want, "clrCfgBuf"));
        EXPECT_TRUE(wires[1].data == w.a) << Differences(wires[1].data, w.a);
        EXPECT_TRUE(wires[2].data == w.b) << Differences(wires[2].data, w.b);
        EXPECT_EQ(wires[3].data, BuildMaintenanceRequest(device->EchoBytes, want, "reset"));

        // The device now holds the program's copy on pages 0 and 1, but for
        // what the write sets by rule: the first serial port's number, and the
        // second serial block when more than one port is in use.
        const auto after = DevicesNow(6);
        const DeviceEntry* back = Find(*after, kDevice);
        ASSERT_NE(back, nullptr);
        const bool secondBlockByRule = want[kSerialPortCountOffset] != 1;
        for (size_t i = kPageHeaderSize; i < kPages[1].recordOffset + kPages[1].length; ++i) {
            if (i >= kPages[0].length && i < kPages[1].recordOffset + kPageHeaderSize) continue;
            const bool byRule = i == kSerialBlock1 || i == kSerialBlock1 + 1 ||
                                (secondBlockByRule && i >= kSerialBlock2 && i < kSerialBlock2 + kSerialBlockSize);
            if (!byRule) {
                ASSERT_EQ(back->Record[i], want[i]) << "byte " << i;
            }
        }
        EXPECT_TRUE(std::equal(back->Record.begin() + kPageHeaderSize, back->Record.begin() + kPages[0].length, w.a.begin() + 31));

        // The program found it again and shows the new value.
        EXPECT_EQ(app->Text("Label1"), "Searching...Done");
        EXPECT_EQ(app->Get("Label1", "color"), 0);
        Pick(kDevice);
        std::string shown = value;
        if (row == PagedRow::ServerName) shown = value.substr(0, 16);
        if (row == PagedRow::TcpUdpPort) shown = "4000";  // set by the write
        EXPECT_EQ(Strings(app->Get("List5", "items"))[static_cast<size_t>(row)], shown);
    }
    // All of it at once, the new address included.
    Pick(kDevice);
    const auto list = Strings(app->Get("List5", "items"));
    EXPECT_EQ(list[4], "192.168.1.77");
    EXPECT_EQ(list[0], "Renamed through ");
    EXPECT_EQ(list[12], "57600");
    EXPECT_EQ(list[30], "A company name longer than sixteen characters");
    EXPECT_EQ(Strings(app->Get("List1", "items")).size(), 2u);
}

TEST_F(WritesE2E, ADeviceWithALanModuleIsUpdatedThroughItsModuleRecordOnly) {
    Start("module", "[device]\nmac = " + kDevice + "\nip = 192.168.1.41\nname = LM-Catx\nmodule = yes\nrestart = 4\n");
    ASSERT_EQ(app->Do("state FormatTag 1").value("value"), "2");
    Pick(kDevice);
    SetValue(PagedRow::ServerName, "LM renamed");
    SetValue(PagedRow::IpAddress, "192.168.1.78");
    EXPECT_TRUE(capture->New().empty());
    ASSERT_EQ(app->Do("watch Label1 text").value("ok"), true);
    Update();
    const auto wires = capture->Await(3);
    ASSERT_EQ(Routes(wires), (std::vector<std::string>{"UDP 8888>255.255.255.255:8880 173", "UDP 8889>255.255.255.255:8888 23",
                                                        "UDP 8888>255.255.255.255:8880 173"}));
    EXPECT_EQ(std::string(wires[0].data.begin(), wires[0].data.begin() + 8), "UpdateLM");
    // The module took the record; the device came back with its values.
    const auto now = DevicesNow(3, 1);
    const DeviceEntry* back = Find(*now, kDevice);
    ASSERT_NE(back, nullptr);
    const Bytes& module = now->LanModuleTable[static_cast<size_t>(back - now->DeviceTable.data())].Record;
    EXPECT_EQ(std::string(module.begin() + 32, module.begin() + 42), "LM renamed");
    EXPECT_EQ(Bytes(module.begin() + 112, module.begin() + 116), (Bytes{192, 168, 1, 78}));
    EXPECT_EQ(app->Text("Label1"), "Searching...Done");
    // The module's answer in the follow-up search holds what was sent.
    EXPECT_EQ(app->Text("Label54(1)"), "Ready");
    EXPECT_EQ(app->Get("Label54(1)", "color"), 0);
    Pick(kDevice);
    const auto list = Strings(app->Get("List5", "items"));
    EXPECT_EQ(list[0], "LM renamed");
    EXPECT_EQ(list[4], "192.168.1.78");
    // The status line ran through the module steps.
    std::vector<std::string> texts;
    for (const auto& c : app->Do("changes").value("value").toArray()) texts.push_back(c.toObject().value("value").toString().toStdString());
    const std::vector<std::string> steps = {"Sending command...", "Ready...",     "Updating...5", "Updating...0",
                                            "Restarting...10",    "Restarting...0", "Searching...Done"};
    auto at = texts.begin();
    for (const auto& s : steps) {
        at = std::find(at, texts.end(), s);
        EXPECT_NE(at, texts.end()) << s;
    }
}

TEST_F(WritesE2E, ADeviceThatKeptItsValuesOrNeverCameBackIsReportedInRed) {
    Start("reports", "[defaults]\nrestart = 4\n"
                     "[device]\nmac = 02:00:00:00:51:01\nip = 192.168.1.31\nname = Stubborn\nignore_writes = yes\n"
                     "[device]\nmac = 02:00:00:00:51:02\nip = 192.168.1.32\nname = Gone\nrestart = never\n");
    Pick("02:00:00:00:51:01");
    SetValue(PagedRow::ServerName, "New name");
    SetValue(PagedRow::BaudRate, "38400");
    ASSERT_EQ(app->Do("click Command9").value("value"), "busy");
    // A second update during the countdown is refused.
    ASSERT_EQ(app->Do("wait 3").value("ok"), true);
    EXPECT_EQ(app->Do("state CloseAllowed").value("value"), false) << "still counting down";
    EXPECT_EQ(app->Do("click Command9").value("error"), "disabled");
    EXPECT_EQ(app->Do("invoke Command9").value("ok"), true);
    EXPECT_EQ(app->Get("Frame6", "enabled"), false);
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    const auto wires = capture->Await(kUpdateRoutes.size());
    EXPECT_EQ(Routes(wires), kUpdateRoutes) << "one clear, write and reset";
    for (const char* label : {"Label1", "Label54(1)"}) {
        EXPECT_EQ(app->Text(label), "Device kept other values: Server name, Baud rate") << label;
        EXPECT_EQ(app->Get(label, "color"), 255) << label;
    }

    Pick("02:00:00:00:51:02");
    SetValue(PagedRow::ServerName, "Never seen");
    Update();
    for (const char* label : {"Label1", "Label54(1)"}) {
        EXPECT_EQ(app->Text(label), "Not found after the update: 02:00:00:00:51:02") << label;
        EXPECT_EQ(app->Get(label, "color"), 255) << label;
    }
    EXPECT_EQ(Strings(app->Get("List1", "items")), std::vector<std::string>{"02:00:00:00:51:01"});

    // Bytes typed into the raw byte view, which the device ignores, are
    // verified like the rows: a stretch no row covers is "other bytes".
    Pick("02:00:00:00:51:01");
    ASSERT_EQ(app->Do("click Command13").value("ok"), true);  // "More..>"
    ASSERT_EQ(app->Do("click Command16").value("ok"), true);  // "Advance"
    for (const char* step : {"type Text1 600", "type Text2 4", "type Text5 Raw!", "click Command17"})
        ASSERT_EQ(app->Do(step).value("ok"), true) << step;
    EXPECT_EQ(app->Text("Label41"), "OK");
    Update();
    EXPECT_EQ(app->Text("Label1"), "Device kept other values: other bytes");
    EXPECT_EQ(app->Get("Label1", "color"), 255);
}

TEST_F(WritesE2E, ResetWithAndWithoutBroadcastAndClear) {
    Start("reset", "[device]\nmac = " + kDevice + "\nip = 192.168.1.21\nname = Dongle\nrestart = 4\n");
    ASSERT_EQ(app->Do("click Command13").value("ok"), true);  // "More..>" shows Reset and Clear
    Pick(kDevice);
    ASSERT_EQ(app->Do("watch Label1 text").value("ok"), true);
    ASSERT_EQ(app->Do("click Command3").value("value"), "busy");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    EXPECT_EQ(Routes(capture->Await(4)), (std::vector<std::string>{"UDP 8882>255.255.255.255:8890 59", "UDP 8888>255.255.255.255:8880 173",
                                                                 "UDP 8889>255.255.255.255:8888 23", "UDP 8888>255.255.255.255:8880 173"}));
    std::vector<std::string> countdown;
    for (const auto& c : app->Do("changes").value("value").toArray()) {
        const std::string t = c.toObject().value("value").toString().toStdString();
        if (t.rfind("Restarting...", 0) == 0) countdown.push_back(t);
    }
    ASSERT_EQ(countdown.size(), 11u);
    EXPECT_EQ(countdown.front(), "Restarting...10");
    EXPECT_EQ(countdown.back(), "Restarting...0");
    EXPECT_EQ(app->Text("Label1"), "Searching...Done");
    EXPECT_EQ(Strings(app->Get("List1", "items")), std::vector<std::string>{kDevice}) << "back after its restart";

    // Without Check1: the typed address, and an address search after the countdown.
    ASSERT_EQ(app->Do("click Check1").value("ok"), true);
    ASSERT_EQ(app->Do("type txtIPaddr 192.168.1.21").value("ok"), true);
    Pick(kDevice);
    ASSERT_EQ(app->Do("click Command3").value("value"), "busy");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    EXPECT_EQ(Routes(capture->Await(4)), (std::vector<std::string>{"UDP 8882>192.168.1.21:8890 59", "UDP 8890>192.168.1.21:8880 173",
                                                                 "UDP 8891>192.168.1.21:8890 23", "UDP 8890>192.168.1.21:8880 173"}));
    EXPECT_EQ(app->Text("Label1"), "Sending...Done");
    EXPECT_EQ(Strings(app->Get("List1", "items")), std::vector<std::string>{kDevice});

    // Clear: one request, no search.
    Pick(kDevice);
    ASSERT_EQ(app->Do("click Command8").value("ok"), true);
    ASSERT_EQ(app->Do("idle 30").value("ok"), true);
    const auto wires = capture->Await(2);
    ASSERT_EQ(Routes(wires), (std::vector<std::string>{"UDP 8883>192.168.1.21:8890 59", "UDP 8890>192.168.1.21:8880 173"}));
    EXPECT_EQ(std::string(wires[0].data.begin() + 46, wires[0].data.begin() + 55), "clrCfgBuf");
    EXPECT_EQ(Strings(app->Get("List1", "items")), std::vector<std::string>{kDevice});
    EXPECT_EQ(app->Get("List1", "index"), 0) << "no search emptied the list";
}

TEST_F(WritesE2E, PingCheckOfANewAddressThenSetBaudToAListeningAndToASilentAddress) {
    Start("baud", "[device]\nmac = " + kDevice + "\nip = 192.168.1.21\nname = Dongle\n"
                  "[device]\nmac = 02:00:00:00:50:02\nip = 192.168.1.22\nname = Neighbour\n");
    Pick(kDevice);
    // "Ping" before a new address is applied: taken, free, or the device's own.
    ASSERT_EQ(app->Do("select List5 4").value("ok"), true);
    EXPECT_EQ(app->Get("Command5", "visible"), true);
    EXPECT_EQ(app->Get("Command5", "tag"), "0");
    const struct {
        const char* address;
        const char* tag;
        bool apply;
    } pings[] = {{"192.168.1.22", "1", false}, {"192.168.1.99", "0", true}, {"192.168.1.21", "1", true}};
    for (const auto& c : pings) {
        ASSERT_EQ(app->Do(std::string("type Text4 ") + c.address).value("ok"), true);
        ASSERT_EQ(app->Do("click Command5").value("ok"), true);
        ASSERT_EQ(app->Do("idle 30").value("ok"), true);
        EXPECT_EQ(app->Get("Command5", "tag"), c.tag) << c.address;
        EXPECT_EQ(app->Get("Command6", "enabled"), c.apply) << c.address;
    }
    EXPECT_TRUE(capture->New().empty()) << "a ping is no request to a device";

    ASSERT_EQ(app->Do("invoke Command19").value("ok"), true);  // its frame opens from a hidden button
    ASSERT_EQ(app->Do("idle 10").value("ok"), true);
    EXPECT_EQ(app->Text("Label1"), "Sending Setbuad command...");
    const auto wires = capture->Await(1);
    ASSERT_EQ(wires.size(), 1u);
    EXPECT_EQ(wires[0].proto, "TCP");
    EXPECT_EQ(wires[0].toIp, "192.168.1.21");
    EXPECT_EQ(wires[0].data.size(), 64u);

    // An address where nothing answers: the wait ends on its own bound, nothing is sent.
    SetValue(PagedRow::IpAddress, "192.168.1.99");
    const std::string status = app->Text("Label1");
    const auto busy = app->Do("invoke Command19");
    EXPECT_EQ(busy.value("value"), "busy");
    EXPECT_EQ(app->Do("idle 8").value("ok"), true) << "the connection wait is bounded";
    EXPECT_EQ(app->Text("Label1"), status);
    EXPECT_TRUE(capture->New().empty());
}

// A device that resets and never comes back leaves its entry to the next
// device that answers the search after the reset. That device's page 1 is
// lost: the entry must not hand it the first device's page 1, and "Update
// (7)" sends nothing and says why.
TEST_F(WritesE2E, ADeviceTakingOverAnEntryWithAPageLostIsNotWritten) {
    Start("reused", "[defaults]\nrestart = 4\n"
                    "[device]\nmac = 02:00:00:00:52:01\nip = 192.168.1.51\nname = Leaves\nrestart = never\n"
                    "[device]\nmac = 02:00:00:00:52:02\nip = 192.168.1.52\nname = Arrives\ndrop = 1\n");
    ASSERT_EQ(Strings(app->Get("List1", "items")), (std::vector<std::string>{"02:00:00:00:52:01", "02:00:00:00:52:02"}));
    ASSERT_EQ(app->Do("click Command13").value("ok"), true);  // "More..>" shows Reset
    Pick("02:00:00:00:52:01");
    ASSERT_EQ(app->Do("click Command3").value("value"), "busy");
    ASSERT_EQ(app->Do("idle 90").value("ok"), true);
    capture->Await(4);  // the reset, the timer's query, the search and its query
    ASSERT_EQ(Strings(app->Get("List1", "items")), std::vector<std::string>{"02:00:00:00:52:02"});
    ASSERT_EQ(Pick("02:00:00:00:52:02"), 1) << "the first device's entry";
    EXPECT_EQ(Strings(app->Get("List5", "items"))[PagedRow::ServerName], "Arrives");

    const std::string reason = "Not updated: page 1 of this device was not received; search again";
    EXPECT_EQ(app->Do("click Command9").value("ok"), true);
    EXPECT_EQ(app->Text("Label1"), reason);
    EXPECT_EQ(app->Get("Label1", "color"), 255);
    ASSERT_EQ(app->Do("idle 30").value("ok"), true);
    EXPECT_EQ(app->Text("Label1"), reason);
    EXPECT_TRUE(capture->Await(1, 1).empty()) << "no clear, write or reset";
}
