#include "core/device_report.h"

#include <gtest/gtest.h>

#include "core/lan_module.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

void Text(Bytes& b, size_t at, std::string_view text) { std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(at)); }
void Quad(Bytes& b, size_t at, std::array<uint8_t, 4> q) { std::copy(q.begin(), q.end(), b.begin() + static_cast<long>(at)); }

// A paged device as the simulator plays it: page 0 with the network fields,
// page 2 with the firmware; the password "s3cret!" in its field.
void TakePagedDevice(DeviceStore& store, uint8_t last, bool withFirmware = true) {
    Bytes p0 = Page(0, Mac(last));
    p0[9] = 1;  // DHCP on
    Text(p0, 10, "Caf\xE9 \x80 rack");  // Windows-1252: e acute, euro sign
    Text(p0, 42, "s3cret!");
    Quad(p0, 58, {192, 168, 1, last});
    Quad(p0, 62, {255, 255, 255, 0});
    Quad(p0, 66, {192, 168, 1, 1});
    Text(p0, 126, "IPD-100");
    Text(p0, 142, "PCB-4193-02");
    ASSERT_EQ(ReplyIntake(store, p0).outcome, IntakeResult::Added);
    ASSERT_EQ(ReplyIntake(store, Page(1, Mac(last))).outcome, IntakeResult::Stored);
    if (withFirmware) {
        Bytes p2 = Page(2, Mac(last));
        Text(p2, 8, "V1.0.7");
        Text(p2, 16, "2026-03-14");
        ASSERT_EQ(ReplyIntake(store, p2).outcome, IntakeResult::Stored);
    }
}

void TakeShortDevice(DeviceStore& store, uint8_t last) {
    Bytes b = ShortReply(Mac(last));
    Text(b, 8, "PCB-4160-01");
    Text(b, 40, "Legacy,\"old\"");
    Quad(b, 62, {192, 168, 1, last});
    Quad(b, 66, {255, 255, 0, 0});
    Quad(b, 70, {192, 168, 1, 254});
    ASSERT_EQ(ReplyIntake(store, b).outcome, IntakeResult::Added);
}

std::vector<std::string> Keys(const DeviceReport& r) {
    std::vector<std::string> k;
    for (const auto& f : r.fields) k.emplace_back(f.first);
    return k;
}

}  // namespace

TEST(DeviceReport, PagedRecordGivesEveryFieldInUtf8AndNoPassword) {
    auto store = std::make_unique<DeviceStore>();
    TakePagedDevice(*store, 0x21);
    const DeviceReport r = ReportDevice(*store, 1);
    const std::vector<std::pair<std::string, std::string>> want = {
        {"mac", "02:7E:3A:04:C8:21"}, {"record", "paged"},         {"class", "IP Dongle"},
        {"ip", "192.168.1.33"},       {"netmask", "255.255.255.0"}, {"gateway", "192.168.1.1"},
        {"dhcp", "Enable"},           {"name", "Caf\u00E9 \u20AC rack"}, {"model", "IPD-100"},
        {"hardware_id", "PCB-4193-02"}, {"firmware_version", "V1.0.7"}, {"firmware_date", "2026-03-14"},
    };
    ASSERT_EQ(r.fields.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(r.fields[i].first, want[i].first);
        EXPECT_EQ(r.fields[i].second, want[i].second) << want[i].first;
    }
    for (const std::string& out : {ReportJson({r}), ReportCsv({r}), ReportText({r})})
        EXPECT_EQ(out.find("s3cret"), std::string::npos) << "a password is never printed";
}

TEST(DeviceReport, AbsentFieldsAreLeftOut) {
    auto store = std::make_unique<DeviceStore>();
    TakeShortDevice(*store, 0x51);
    TakePagedDevice(*store, 0x52, false);
    // Page 1 of a device whose page 0 never came.
    ASSERT_EQ(ReplyIntake(*store, Page(1, Mac(0x53))).outcome, IntakeResult::Added);
    const auto all = ReportDevices(*store);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(Keys(all[0]), (std::vector<std::string>{"mac", "record", "class", "ip", "netmask", "gateway", "name", "hardware_id"}));
    EXPECT_EQ(*all[0].Find("record"), "short");
    EXPECT_EQ(*all[0].Find("class"), "ZentaBox");
    EXPECT_EQ(*all[0].Find("netmask"), "255.255.0.0");
    EXPECT_EQ(*all[0].Find("gateway"), "192.168.1.254");
    EXPECT_EQ(all[0].Find("dhcp"), nullptr);
    EXPECT_EQ(all[1].Find("firmware_version"), nullptr) << "page 2 never arrived";
    EXPECT_EQ(all[1].Find("firmware_date"), nullptr);
    EXPECT_NE(all[1].Find("model"), nullptr);
    EXPECT_EQ(Keys(all[2]), (std::vector<std::string>{"mac", "record"}));
    EXPECT_EQ(*all[2].Find("record"), "incomplete");
}

TEST(DeviceReport, ModuleCompanyOnlyWithAModuleRecord) {
    auto store = std::make_unique<DeviceStore>();
    TakePagedDevice(*store, 0x41);
    TakePagedDevice(*store, 0x42);
    Bytes answer(kModuleRecordSize, 0);
    answer[0] = kModuleAnswerMark;
    const auto mac = Mac(0x42);
    std::copy(mac.begin(), mac.end(), answer.begin() + kModuleMacOffset);
    Text(answer, 80, "Zenta LM\xAE");
    ASSERT_EQ(ModuleReplyIntake(*store, answer), 2);
    EXPECT_EQ(ReportDevice(*store, 1).Find("lan_module_company"), nullptr);
    ASSERT_NE(ReportDevice(*store, 2).Find("lan_module_company"), nullptr);
    EXPECT_EQ(*ReportDevice(*store, 2).Find("lan_module_company"), "Zenta LM\u00AE");
    EXPECT_EQ(Keys(ReportDevice(*store, 2)).back(), "lan_module_company");

    // Its page 0 lost: the module makes it paged, and nothing of page 0 is
    // reported from the zeros in its place.
    auto lost = std::make_unique<DeviceStore>();
    ASSERT_EQ(ReplyIntake(*lost, Page(1, mac)).outcome, IntakeResult::Added);
    ASSERT_EQ(ModuleReplyIntake(*lost, answer), 1);
    EXPECT_EQ(Keys(ReportDevice(*lost, 1)), (std::vector<std::string>{"mac", "record", "lan_module_company"}));
    EXPECT_EQ(*ReportDevice(*lost, 1).Find("record"), "paged");
}

// The interface a device's reply came in by, last, whatever its record;
// absent when the system did not name it.
TEST(DeviceReport, InterfaceLastWhenKnown) {
    auto store = std::make_unique<DeviceStore>();
    TakePagedDevice(*store, 0x61);
    TakeShortDevice(*store, 0x62);
    ASSERT_EQ(ReplyIntake(*store, Page(1, Mac(0x63))).outcome, IntakeResult::Added);
    TakePagedDevice(*store, 0x64);
    const char* names[] = {"eth0", "usb1", "wlan0"};
    for (int16_t i = 1; i <= 3; ++i)
        NoteArrivalInterface(*store, {IntakeResult::Stored, i, false}, i + 1, names[i - 1]);
    const auto all = ReportDevices(*store);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(all[static_cast<size_t>(i)].Find("interface"), nullptr);
        EXPECT_EQ(*all[static_cast<size_t>(i)].Find("interface"), names[i]);
        EXPECT_EQ(Keys(all[static_cast<size_t>(i)]).back(), "interface");
    }
    EXPECT_EQ(all[3].Find("interface"), nullptr);
    EXPECT_EQ(ReportKeys().back(), "interface");
    // Only the warnings come after it.
    EXPECT_NE(ReportJson({all[1]}).find(", \"interface\": \"usb1\", \"warnings\": []}"), std::string::npos);
    const std::string csv = ReportCsv({all[0], all[3]});
    EXPECT_NE(csv.find(",lan_module_company,interface,warnings\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",2026-03-14,,eth0,\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",2026-03-14,,,\r\n"), std::string::npos) << csv;
}

TEST(DeviceReport, ClassByHardwareId) {
    struct Case { const char* hwid; const char* cls; };
    const Case cases[] = {{"PCB-4193-02", "IP Dongle"}, {"PCB-4160-01", "ZentaBox"}, {"37264000-03", "ZentaBox"},
                          {"LM-CATX-1", "other"},       {"xPCB-4193", "other"},      {"", "other"}};
    for (const auto& c : cases) {
        auto store = std::make_unique<DeviceStore>();
        Bytes p0 = Page(0, Mac(1));
        Text(p0, 142, c.hwid);
        ReplyIntake(*store, p0);
        EXPECT_EQ(*ReportDevice(*store, 1).Find("class"), c.cls) << c.hwid;
    }
}

TEST(DeviceReport, JsonEscapesAndKeepsUtf8) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"plain", "\"plain\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"tab\tnl\ncr\r", "\"tab\\tnl\\ncr\\r\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {"Caf\u00E9 \u20AC", "\"Caf\u00E9 \u20AC\""},
        {"", "\"\""},
    };
    for (const auto& c : cases) EXPECT_EQ(JsonString(c.in), c.out) << c.in;
    EXPECT_EQ(ReportJson({}), "[]\n");
    DeviceReport one;
    one.fields = {{"mac", "02:00:00:00:00:01"}, {"name", "x"}};
    DeviceReport warned = one;
    warned.warnings = {"IP address also held by MAC 02:00:00:00:00:02", "a \"quoted\" one"};
    EXPECT_EQ(ReportJson({one, warned}),
              "[\n  {\"mac\": \"02:00:00:00:00:01\", \"name\": \"x\", \"warnings\": []},\n"
              "  {\"mac\": \"02:00:00:00:00:01\", \"name\": \"x\", \"warnings\": "
              "[\"IP address also held by MAC 02:00:00:00:00:02\", \"a \\\"quoted\\\" one\"]}\n]\n");
}

TEST(DeviceReport, CsvQuotesAsRfc4180) {
    struct Case { std::string in, out; };
    const Case cases[] = {
        {"plain", "plain"},       {"a,b", "\"a,b\""},      {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""}, {"lf\n", "\"lf\n\""}, {"", ""}, {" spaced ", " spaced "},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvCell(c.in), c.out) << c.in;

    auto store = std::make_unique<DeviceStore>();
    TakeShortDevice(*store, 0x51);
    const std::string csv = ReportCsv(ReportDevices(*store));
    EXPECT_EQ(csv,
              "mac,record,class,ip,netmask,gateway,dhcp,name,model,hardware_id,firmware_version,firmware_date,lan_module_company,"
              "interface,warnings\r\n"
              "02:7E:3A:04:C8:51,short,ZentaBox,192.168.1.81,255.255.0.0,192.168.1.254,,\"Legacy,\"\"old\"\"\",,PCB-4160-01,,,,,\r\n");
    DeviceReport warned;
    warned.warnings = {"one, with a comma", "two"};
    EXPECT_NE(ReportCsv({warned}).find(",\"one, with a comma; two\"\r\n"), std::string::npos) << "joined, then quoted";
    EXPECT_EQ(ReportCsv({}), std::string(csv.substr(0, csv.find("\r\n") + 2)));
}

TEST(DeviceReport, TextTableAlignsAndNeutralisesControls) {
    auto store = std::make_unique<DeviceStore>();
    TakePagedDevice(*store, 0x21);
    Bytes b = ShortReply(Mac(0x22));
    Text(b, 40, "\x1b[31m\x81");  // 0x81: a C1 control in Windows-1252 terms
    ReplyIntake(*store, b);
    const std::string text = ReportText(ReportDevices(*store));
    EXPECT_EQ(text,
              "MAC address        IP address    Class      Name         Model\n"
              "02:7E:3A:04:C8:21  192.168.1.33  IP Dongle  Caf\u00E9 \u20AC rack  IPD-100\n"
              "02:7E:3A:04:C8:22  0.0.0.0       other      ?[31m?       -\n");
    // A device with warnings brings their column, joined, and neutralised as every cell.
    std::vector<DeviceReport> warned = ReportDevices(*store);
    warned[1].warnings = {"IP address also held by MAC 02:7E:3A:04:C8:21", "\x1b[2J"};
    EXPECT_EQ(ReportText(warned),
              "MAC address        IP address    Class      Name         Model    Warnings\n"
              "02:7E:3A:04:C8:21  192.168.1.33  IP Dongle  Caf\u00E9 \u20AC rack  IPD-100\n"
              "02:7E:3A:04:C8:22  0.0.0.0       other      ?[31m?       -        "
              "IP address also held by MAC 02:7E:3A:04:C8:21; ?[2J\n");
}

TEST(DeviceReport, PrintableTextLeavesNoByteATerminalActsOn) {
    // A file name is bytes, not UTF-8: a lone 0x9B is CSI to an eight-bit
    // terminal, as ESC "[" is to every terminal.
    const std::pair<std::string, std::string> cases[] = {
        {"Caf\u00E9 \u20AC \U0001F600 rack", "Caf\u00E9 \u20AC \U0001F600 rack"},
        {"\x1b]2;owned\x07", "?]2;owned?"},
        {"a\x7f" "b\tc\nd", "a?b?c?d"},
        {"\u0085\u009b2J", "??2J"},           // C1 controls as UTF-8
        {"x\x9b" "2Jy", "x?2Jy"},             // a lone C1 byte
        {"\xc3(\xe2\x82", "?(??"},            // sequences cut short
        {"\xff\xfe", "??"},
        {"\xc0\x9b", "??"},                   // an overlong form of ESC
    };
    for (const auto& [text, shown] : cases) EXPECT_EQ(PrintableText(text), shown) << text;
}
