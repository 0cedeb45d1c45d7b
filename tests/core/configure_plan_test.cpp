#include "core/configure_plan.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>

#include "core/input_rules.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

constexpr const char* kPassword = "Secr3t!x";
constexpr const char* kNewPassword = "N3wSecret";

// A device as the first search leaves it: the panel's fields set, serial
// settings as the sample sets have them.
const std::pair<PagedRow::Row, std::string_view> kDeviceRows[] = {
    {PagedRow::ServerName, "Rack-01"},    {PagedRow::Password, kPassword},     {PagedRow::Dhcp, "Disable"},
    {PagedRow::IpAddress, "192.168.1.10"}, {PagedRow::Netmask, "255.255.255.0"}, {PagedRow::Gateway, "192.168.1.1"},
    {PagedRow::CompanyName, "Hall-A"},     {PagedRow::SerialPort, "1"},          {PagedRow::BaudRate, "9600"},
    {PagedRow::TcpUdpPort, "4000"},
};
RecordBuilder Device(uint8_t last) {
    auto b = RecordBuilder::Paged(Mac(last));
    for (const auto& [row, text] : kDeviceRows) b.Row(row, text);
    return b;
}


PlanRow Row(uint8_t last, std::string password, std::vector<std::pair<std::string_view, std::string>> values) {
    PlanRow row;
    row.mac = FormatMac(Mac(last).data());
    row.password = std::move(password);
    for (const auto& [key, value] : values) row.values[PlanKeyIndex(key).value()] = value;
    return row;
}

// The key a row's name gives: lower case, other characters joined as "_".
std::string SnakeCase(std::string_view name) {
    std::string out;
    bool gap = false;
    for (char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            if (gap && !out.empty()) out += '_';
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            gap = false;
        } else {
            gap = true;
        }
    }
    return out;
}

}  // namespace

TEST(ConfigurePlan, EveryEditableRowHasOneKey) {
    // The keys a person knows from the panel; every other key is its row's name.
    const std::map<std::string_view, PagedRow::Row> named = {
        {"name", PagedRow::ServerName}, {"location", PagedRow::CompanyName}, {"new_password", PagedRow::Password},
        {"dhcp", PagedRow::Dhcp},       {"ip", PagedRow::IpAddress},         {"netmask", PagedRow::Netmask},
        {"gateway", PagedRow::Gateway}, {"model", PagedRow::ModelNo},        {"hardware_id", PagedRow::HardwareId},
        {"baud_rate", PagedRow::BaudRate}};
    size_t editable = 0;
    for (long row = 0; row < static_cast<long>(kParameterCount); ++row) {
        if (!IsEditableRow(row)) {
            EXPECT_FALSE(PlanKeyOfRow(row)) << RowName(row);
            continue;
        }
        ++editable;
        const auto k = PlanKeyOfRow(row);
        ASSERT_TRUE(k) << RowName(row);
        const std::string_view key = kPlanKeys[*k].key;
        const auto it = named.find(key);
        if (it != named.end())
            EXPECT_EQ(it->second, row) << key;
        else
            EXPECT_EQ(key, SnakeCase(RowName(row)));
        EXPECT_EQ(PlanKeyIndex(key), k);
    }
    EXPECT_EQ(kPlanKeyCount, editable);
    for (size_t i = 1; i < kPlanKeyCount; ++i) EXPECT_LT(kPlanKeys[i - 1].row, kPlanKeys[i].row) << "row order";
    EXPECT_FALSE(PlanKeyIndex("mac"));
    EXPECT_FALSE(PlanKeyIndex("password"));
}

TEST(ConfigurePlan, MacsTakeTheTablesForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"02:7E:3A:04:C8:1E", "02:7E:3A:04:C8:1E"}, {"02:7e:3a:04:c8:1e", "02:7E:3A:04:C8:1E"},
        {"02-7E-3A-04-C8-1E", "02:7E:3A:04:C8:1E"}, {"027e3a04c81e", "02:7E:3A:04:C8:1E"},
        {" 02:7E:3A:04:C8:1E ", "02:7E:3A:04:C8:1E"}, {"02:7E:3A:04:C8", nullptr},
        {"02:7E:3A-04:C8:1E", nullptr},             {"02:7E:3A:04:C8:1G", nullptr},
        {"027E:3A04:C81E:", nullptr},               {"02.7E.3A.04.C8.1E", nullptr},
        {"+2:7E:3A:04:C8:1E", nullptr},             {"", nullptr},
    };
    for (const auto& [in, out] : cases) {
        const auto mac = NormalizeMac(in);
        if (out)
            EXPECT_EQ(mac.value_or("none"), out) << in;
        else
            EXPECT_FALSE(mac) << in;
    }
}

TEST(ConfigurePlan, ReadsCsvAsRfc4180) {
    struct Case {
        const char* name;
        std::string text;
        std::string mac, password, key, value;  // of the last row
        size_t rows, line = 2;
    };
    const Case cases[] = {
        {"CRLF", "mac,password,name\r\n02:7e:3a:04:c8:01,pw,Rack-02\r\n", "02:7E:3A:04:C8:01", "pw", "name", "Rack-02", 1},
        {"LF, no last line end", "mac,password,name\n02:7E:3A:04:C8:01,pw,Rack-02", "02:7E:3A:04:C8:01", "pw", "name",
         "Rack-02", 1},
        {"byte-order mark", "\xEF\xBB\xBFmac,password\n02:7E:3A:04:C8:01,pw\n", "02:7E:3A:04:C8:01", "pw", "name", "", 1},
        {"quotes, doubled quotes, commas", "mac,password,location\n\"02:7E:3A:04:C8:01\",\"p,\"\"w\",\"say \"\"hi\"\"\"\n",
         "02:7E:3A:04:C8:01", "p,\"w", "location", "say \"hi\"", 1},
        {"a line end inside quotes", "mac,password,location\n02:7E:3A:04:C8:01,pw,\"two\r\nlines\"\n",
         "02:7E:3A:04:C8:01", "pw", "location", "two\r\nlines", 1},
        {"empty cells leave rows alone", "mac,password,name,ip\n02:7E:3A:04:C8:01,,,\n", "02:7E:3A:04:C8:01", "", "ip",
         "", 1},
        {"blank lines, blanks around header names", "mac , password,dhcp\n\n02:7E:3A:04:C8:01,pw,Enable\r\n\r\n",
         "02:7E:3A:04:C8:01", "pw", "dhcp", "Enable", 1, 3},
        {"UTF-8 with a Windows-1252 byte", "mac,password,location\n02:7E:3A:04:C8:01,pw,Caf\xC3\xA9 \xE2\x82\xAC\n",
         "02:7E:3A:04:C8:01", "pw", "location", "Caf\xC3\xA9 \xE2\x82\xAC", 1},
        {"header only", "mac,password,name\n", "", "", "name", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PlanParse plan = ParsePlan(c.text);
        EXPECT_EQ(plan.error, "");
        ASSERT_EQ(plan.rows.size(), c.rows);
        if (!c.rows) continue;
        const PlanRow& row = plan.rows.back();
        EXPECT_EQ(row.mac, c.mac);
        EXPECT_EQ(row.password, c.password);
        EXPECT_EQ(row.values[PlanKeyIndex(c.key).value()], c.value);
        EXPECT_EQ(row.line, c.line);
    }
    const PlanParse two = ParsePlan("mac,password,ip\n01:00:00:00:00:01,a,\"\"\n\n01:00:00:00:00:02,b,192.168.001.010\n");
    ASSERT_EQ(two.rows.size(), 2u);
    EXPECT_EQ(two.rows[1].line, 4u);
    EXPECT_EQ(two.rows[1].values[PlanKeyIndex("ip").value()], "192.168.001.010") << "kept as written";
}

// Every fault the plan alone shows, with its line and column; no message
// ever quotes a value, so none holds a password, even one in the wrong column.
TEST(ConfigurePlan, FaultsNameTheirLineAndColumn) {
    const std::string head = "mac,password,name,new_password,ip,dhcp,tcp_udp_port,baud_rate\n";
    const std::string ok = "02:7E:3A:04:C8:01,Secr3t!x,Rack-01,N3wSecret,10.0.0.2,Disable,4000,9600\n";
    struct Case {
        std::string text, error;
    };
    const Case cases[] = {
        {"mac,password,colour\n", "column 3 of line 1 is not a key"},
        {"mac,password,name,name\n", "line 1, column 4: the column \"name\" is given twice"},
        {"mac,name\n", "line 1: the header has no \"password\" column"},
        {"password,name\n", "line 1: the header has no \"mac\" column"},
        {"", "line 1: the plan is empty; it needs a header row"},
        {head + ok + ok, "line 3, column 1 (mac): 02:7E:3A:04:C8:01 is already on line 2"},
        {head + "02:7E:3A:04:C8:1,Secr3t!x,,,,,,\n", "line 2, column 1 (mac): not a MAC address (six pairs of hex digits)"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x\n", "line 2: 2 cells, but the header has 8"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,1.2.3,,,\n",
         "line 2, column 5 (ip): IP address: not an address (four numbers from 0 to 255 joined by \".\")"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,,enable,,\n",
         "line 2, column 6 (dhcp): DHCP: not one of Enable, Disable"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,,,8888,\n",
         "line 2, column 7 (tcp_udp_port): TCP/UDP port: every update sends 4000"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,,,,9601\n",
         "line 2, column 8 (baud_rate): Baud rate: not one of 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, "
         "28800, 38400, 57600, 115200, 230400, 5787"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,A-name-of-20-chars!!,,,,,\n",
         "line 2, column 3 (name): Server name: longer than its 16 characters"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,\xE5\x90\x8D,,,,,\n",
         "line 2, column 3 (name): Server name: a character that the device's texts cannot hold"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,N3wSecretN3wSecretN3w,,,,\n",
         "line 2, column 4 (new_password): Password: longer than its 16 characters"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,,,,,\n", "line 2: 9 cells, but the header has 8"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,,,,70000,\n",
         "line 2, column 7 (tcp_udp_port): TCP/UDP port: not a whole number from 0 to 65535"},
        {"mac,password,maximum_connection,tcp_alive_timeout\n02:7E:3A:04:C8:01,Secr3t!x,0,1.5\n",
         "line 2, column 3 (maximum_connection): Maximum connection: not a whole number from 1 to 8\n"
         "line 2, column 4 (tcp_alive_timeout): TCP alive timeout: not a whole number from 0 to 255"},
        {"mac,password,ip\nSecr3t!x,02:7E:3A:04:C8:01,Secr3t!x\n",
         "line 2, column 1 (mac): not a MAC address (six pairs of hex digits)\n"
         "line 2, column 3 (ip): IP address: not an address (four numbers from 0 to 255 joined by \".\")"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,,N3w\xE2\x98\x83,,,,\n",
         "line 2, column 4 (new_password): Password: a character that the device's texts cannot hold"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x\xFF,,,,,,\n", "line 2, column 2 (password): not UTF-8 text"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,\"Rack\n", "line 2, column 3: a quoted cell is not closed"},
        {head + "02:7E:3A:04:C8:01,Secr\"3t!x,,,,,,\n", "line 2, column 2: a quote inside a cell that is not quoted"},
        {head + "02:7E:3A:04:C8:01,\"Secr3t\"!x,,,,,,\n", "line 2, column 2: text after the closing quote of a cell"},
        {head + "02:7E:3A:04:C8:01,Secr3t!x,\"a\nb\",,,,,\n02:7E:3A:04:C8:02,Secr3t!x,,,300.1.1.1,,,\n",
         "line 4, column 5 (ip): IP address: not an address (four numbers from 0 to 255 joined by \".\")"},
    };
    for (const Case& c : cases) {
        const PlanParse plan = ParsePlan(c.text);
        EXPECT_EQ(plan.error, c.error) << c.text;
        EXPECT_TRUE(plan.rows.empty()) << "a plan with a fault runs no row";
        for (const char* secret : {"Secr3t", "N3wSecret"}) EXPECT_EQ(plan.error.find(secret), std::string::npos) << c.text;
    }
    // Every fault of the rows is named, one line each.
    const PlanParse many = ParsePlan(head + "xx,Secr3t!x,,,1.2.3,,,\n" + ok + ok);
    EXPECT_EQ(many.error, "line 2, column 1 (mac): not a MAC address (six pairs of hex digits)\n"
                          "line 2, column 5 (ip): IP address: not an address (four numbers from 0 to 255 joined by \".\")\n"
                          "line 4, column 1 (mac): 02:7E:3A:04:C8:01 is already on line 3");
}

TEST(ConfigurePlan, WhatEachDeviceGets) {
    struct Case {
        const char* name;
        DeviceClass cls;
        std::string password;
        std::vector<std::pair<std::string_view, std::string>> values;
        RowStatus status;
        std::vector<std::string> changed;
        std::string reason;
    };
    using R = RowStatus;
    const auto Z = DeviceClass::ZentaBox, D = DeviceClass::IpDongle, N = DeviceClass::None;
    const std::string invalidIp = ReportOf(Refusal::InvalidIpAddress).text;
    const std::string nameShort = ReportOf(Refusal::NameTooShort).text;
    const std::string nameUnsafe = ReportOf(Refusal::NameNotSafe).text;
    const std::string passwordShort = ReportOf(Refusal::NewPasswordTooShort).text;
    const Case cases[] = {
        {"wrong password", Z, "secr3t!x", {{"name", "Rack-02"}}, R::Refused, {}, "the password does not match the device's"},
        {"nothing to change", D, kPassword, {}, R::Unchanged, {}, ""},
        {"equal by encoding", D, kPassword,
         {{"ip", "192.168.001.010"}, {"netmask", " 255.255.255.0"}, {"name", "Rack-01"}, {"baud_rate", "9600"},
          {"new_password", kPassword}},
         R::Unchanged, {}, ""},
        {"changes in table order", Z, kPassword,
         {{"location", "Hall-B"}, {"ip", "192.168.1.20"}, {"name", "Rack-02"}, {"parity", "Even"}},
         R::WouldChange, {"name", "ip", "parity", "location"}, ""},
        {"DHCP Enable: addresses not written", D, kPassword, {{"dhcp", "Enable"}, {"ip", "10.9.9.255"}, {"gateway", "10.9.9.1"}},
         R::WouldChange, {"dhcp"}, ""},
        {"DHCP Disable: addresses checked", D, kPassword, {{"dhcp", "Disable"}, {"ip", "10.9.9.255"}}, R::Refused, {}, invalidIp},
        {"dongle: short location", D, kPassword, {{"location", "Hal"}}, R::Refused, {}, nameShort},
        {"box: short location", Z, kPassword, {{"location", "Hal"}}, R::WouldChange, {"location"}, ""},
        {"dongle: a blank in the name", D, kPassword, {{"name", "Rack 02"}}, R::Refused, {}, nameUnsafe},
        {"box: a blank in the rack number", Z, kPassword, {{"name", "Rack 02"}}, R::WouldChange, {"name"}, ""},
        {"dongle: short new password", D, kPassword, {{"new_password", "short"}}, R::Refused, {}, passwordShort},
        {"box: short new password", Z, kPassword, {{"new_password", "short"}}, R::WouldChange, {"new_password"}, ""},
        {"dongle: new password", D, kPassword, {{"new_password", kNewPassword}}, R::WouldChange, {"new_password"}, ""},
        {"box: broadcast address", Z, kPassword, {{"ip", "192.168.1.255"}}, R::Refused, {}, kNetworkSettingsRefused},
        {"dongle: broadcast address", D, kPassword, {{"ip", "192.168.1.255"}}, R::Refused, {}, invalidIp},
        {"other class: encodings only", N, kPassword, {{"ip", "192.168.1.254"}, {"location", "x"}}, R::WouldChange,
         {"ip", "location"}, ""},
        {"other class: broadcast address", N, kPassword, {{"ip", "192.168.1.255"}}, R::Refused, {},
         "IP address: the network or broadcast address of its subnet"},
        {"serial rows are no panel field", D, kPassword, {{"baud_rate", "115200"}, {"data_stop_bits", "7-2"}},
         R::WouldChange, {"baud_rate", "data_stop_bits"}, ""},
        // A second run of a plan that changed the password: the device holds
        // the row's new password, and the row's other keys count with it.
        {"holds the new password already", D, "Old-Passw0rd", {{"new_password", kPassword}, {"name", "Rack-01"}},
         R::Unchanged, {}, ""},
        {"holds the new password, other keys change", Z, "Old-Passw0rd",
         {{"new_password", kPassword}, {"name", "Rack-02"}}, R::WouldChange, {"name"}, ""},
        {"holds the new password, other keys checked", D, "Old-Passw0rd",
         {{"new_password", kPassword}, {"location", "Hal"}}, R::Refused, {}, nameShort},
        {"neither password matches", D, "Old-Passw0rd", {{"new_password", kNewPassword}}, R::Refused, {},
         "the password does not match the device's"},
        {"an empty new password is no match", D, "", {{"new_password", ""}}, R::Refused, {},
         "the password does not match the device's"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        const long k = TakePages(*store, Device(1));
        const DevicePlan plan = PlanDevice(*store, k, Row(1, c.password, c.values), c.cls);
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.changed, c.changed);
        EXPECT_EQ(plan.reason, c.reason);
        EXPECT_EQ(plan.reason.find("ecr3t"), std::string::npos);
        EXPECT_EQ(plan.reason.find(kNewPassword), std::string::npos);
        EXPECT_EQ(plan.reason.find("Passw0rd"), std::string::npos);
        EXPECT_EQ(plan.sent.mac, "02:7E:3A:04:C8:01");
        EXPECT_FALSE(plan.sent.module);
    }
}

TEST(ConfigurePlan, TheRecordToSendIsTheEditorsEdit) {
    auto store = std::make_unique<DeviceStore>();
    const DeviceRecord before = Device(3).record();
    const long k = TakePages(*store, before);
    const DevicePlan plan = PlanDevice(
        *store, k,
        Row(3, kPassword, {{"dhcp", "Enable"}, {"ip", "10.0.0.9"}, {"name", "Rack-09"}, {"maximum_connection", "8"}}),
        DeviceClass::ZentaBox);
    ASSERT_EQ(plan.status, RowStatus::WouldChange);
    EXPECT_EQ(plan.sent.rows, (std::set<int>{PagedRow::ServerName, PagedRow::Dhcp, PagedRow::MaxConnection}));
    // The same bytes as the editor's edits on the device's own entry.
    DeviceRecord expected = before;
    SetRows(expected, {{PagedRow::ServerName, "Rack-09"}, {PagedRow::Dhcp, "Enable"}, {PagedRow::MaxConnection, "8"}});
    EXPECT_EQ(plan.sent.record, expected);
    EXPECT_EQ(store->DeviceTable[static_cast<size_t>(k)].Record, before) << "the table is left as it was";
}

TEST(ConfigurePlan, ARecordThisSearchDidNotBringWholeIsRefused) {
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, Device(4), {0, 2});
    const DevicePlan plan = PlanDevice(*store, k, Row(4, kPassword, {{"name", "Rack-04"}}), DeviceClass::None);
    EXPECT_EQ(plan.status, RowStatus::Refused);
    EXPECT_EQ(plan.reason, UpdateBlockText(UpdateBlock::NoPage1));
}

TEST(ConfigurePlan, AModuleDeviceTakesOnlyWhatItsModuleRecordCarries) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string_view, std::string>> values;
        RowStatus status;
        std::string reason;
    };
    const Case cases[] = {
        {"a carried row", {{"name", "Rack-05"}, {"ip", "192.168.1.50"}}, RowStatus::WouldChange, ""},
        {"an uncarried row, unchanged", {{"baud_rate", "9600"}}, RowStatus::Unchanged, ""},
        {"an uncarried row, changed", {{"baud_rate", "19200"}}, RowStatus::Refused,
         "Not applied: the LAN module of this device does not carry Baud rate"},
        {"DHCP", {{"dhcp", "Enable"}}, RowStatus::Refused, "Not applied: the LAN module of this device does not carry DHCP"},
        {"a location longer than its field", {{"location", "Hall-A, second floor"}}, RowStatus::Refused,
         "Not applied: the LAN module of this device holds at most 16 characters of Company Name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        const long k = TakePages(*store, Device(5), {0, 1, 2}, ModuleAnswer(Mac(5)));
        ASSERT_EQ(store->DeviceTable[static_cast<size_t>(k)].FormatTag, RecordFormat::WithModule);
        const DevicePlan plan = PlanDevice(*store, k, Row(5, kPassword, c.values), DeviceClass::None);
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.reason, c.reason);
        if (c.status == RowStatus::Refused) continue;
        ASSERT_TRUE(plan.sent.module);
        if (c.status == RowStatus::Unchanged) continue;
        const Bytes& m = *plan.sent.module;
        EXPECT_EQ(std::string(m.begin(), m.begin() + 8), "UpdateLM");
        EXPECT_EQ(std::string(m.begin() + 32, m.begin() + 39), "Rack-05");
        EXPECT_EQ(m[112], 192);
        EXPECT_EQ(m[115], 50);
        EXPECT_EQ(m.back(), ModuleChecksum(m));
    }
}

TEST(ConfigurePlan, VerificationComparesAsTheWindowDoes) {
    const DeviceRecord before = Device(6).record();
    auto first = std::make_unique<DeviceStore>();
    const DevicePlan plan = PlanDevice(*first, TakePages(*first, before), Row(6, kPassword, {{"name", "Rack-66"}, {"ip", "192.168.1.66"}}),
                                       DeviceClass::ZentaBox);
    ASSERT_EQ(plan.status, RowStatus::WouldChange);
    struct Case {
        const char* name;
        std::optional<DeviceRecord> back;  // none: did not answer
        bool verified;
        std::string reason, ip;
        std::vector<int> pages = {0, 1, 2};  // the pages of its answer that arrived
        std::string sendFault = {};
    };
    DeviceRecord keptName = plan.sent.record;
    SetRows(keptName, {{PagedRow::ServerName, "Rack-01"}});
    const std::string lostPage0 = "page 0 of this device was not received after the update";
    const Case cases[] = {
        {"holds the plan", plan.sent.record, true, "", "192.168.1.66"},
        {"kept a row", keptName, false, "Device kept other values: Server name", "192.168.1.66"},
        {"kept every row", before, false, "Device kept other values: Server name, IP address", "192.168.1.10"},
        {"not found", std::nullopt, false, "Not found after the update: 02:7E:3A:04:C8:06", ""},
        // Every row a plan sets lies in page 0: without it nothing shows the write was taken.
        {"kept every row, page 0 lost", before, false, lostPage0, "", {1, 2}},
        {"holds the plan, page 0 lost", plan.sent.record, false, lostPage0, "", {1, 2}},
        {"holds the plan, page 1 lost", plan.sent.record, true, "", "192.168.1.66", {0, 2}},
        {"write not sent", plan.sent.record, false, "the write could not be sent: datagram 1 did not leave", "192.168.1.66",
         {0, 1, 2}, "datagram 1 did not leave"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto after = std::make_unique<DeviceStore>();
        TakePages(*after, Device(7));  // another device answers
        if (c.back) TakePages(*after, *c.back, c.pages);
        const Verification v = VerifyDevice(plan.sent, *after, c.sendFault);
        EXPECT_EQ(v.verified, c.verified);
        EXPECT_EQ(v.reason, c.reason);
        EXPECT_EQ(v.ip, c.ip);
    }
}

TEST(ConfigurePlan, AModuleDeviceIsVerifiedByItsModuleRecord) {
    auto first = std::make_unique<DeviceStore>();
    const DevicePlan plan = PlanDevice(*first, TakePages(*first, Device(8), {0, 1, 2}, ModuleAnswer(Mac(8))),
                                       Row(8, kPassword, {{"name", "Rack-88"}}), DeviceClass::None);
    ASSERT_EQ(plan.status, RowStatus::WouldChange);
    ASSERT_TRUE(plan.sent.module);
    Bytes took = *plan.sent.module;
    took[0] = kModuleAnswerMark;
    struct Case {
        const char* name;
        std::optional<Bytes> module;
        std::string reason;
    };
    const Case cases[] = {
        {"took the name", took, ""},
        {"kept the old name", ModuleAnswer(Mac(8)), "Device kept other values: Server name"},
        {"no module answer", std::nullopt, "No module record after the update: 02:7E:3A:04:C8:08"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto after = std::make_unique<DeviceStore>();
        // The device's own record is not what the module road writes.
        TakePages(*after, Device(8), {0, 1, 2}, c.module);
        const Verification v = VerifyDevice(plan.sent, *after);
        EXPECT_EQ(v.verified, c.reason.empty());
        EXPECT_EQ(v.reason, c.reason);
        EXPECT_EQ(v.ip, "192.168.1.10");
    }
}

TEST(ConfigurePlan, ReportAsJsonAndForAPerson) {
    const std::vector<ReportRow> rows = {
        {"02:7E:3A:04:C8:01", RowStatus::Updated, {"name", "ip"}, "", "192.168.1.20", 2},
        {"02:7E:3A:04:C8:02", RowStatus::Refused, {}, "Server name: cut to 16 characters, \"a\\b\"", "192.168.1.11"},
        {"02:7E:3A:04:C8:03", RowStatus::NotFound, {}, "", ""},
        {"02:7E:3A:04:C8:04", RowStatus::NotVerified, {"location"}, "Device kept other values: Company Name\x1b[2J",
         "192.168.1.13", 3},
    };
    EXPECT_EQ(ConfigureReportJson(rows),
              "[\n"
              "  {\"mac\": \"02:7E:3A:04:C8:01\", \"status\": \"updated\", \"changed\": [\"name\", \"ip\"], "
              "\"attempts\": 2, \"ip\": \"192.168.1.20\"},\n"
              "  {\"mac\": \"02:7E:3A:04:C8:02\", \"status\": \"refused\", \"changed\": [], "
              "\"reason\": \"Server name: cut to 16 characters, \\\"a\\\\b\\\"\", \"ip\": \"192.168.1.11\"},\n"
              "  {\"mac\": \"02:7E:3A:04:C8:03\", \"status\": \"not_found\", \"changed\": []},\n"
              "  {\"mac\": \"02:7E:3A:04:C8:04\", \"status\": \"not_verified\", \"changed\": [\"location\"], "
              "\"attempts\": 3, \"reason\": \"Device kept other values: Company Name\\u001b[2J\", \"ip\": \"192.168.1.13\"}\n"
              "]\n");
    EXPECT_EQ(ConfigureReportJson({}), "[]\n");
    EXPECT_EQ(ConfigureReportText(rows),
              "02:7E:3A:04:C8:01  updated       192.168.1.20     name, ip (written 2 times)\n"
              "02:7E:3A:04:C8:02  refused       192.168.1.11     Server name: cut to 16 characters, \"a\\b\"\n"
              "02:7E:3A:04:C8:03  not_found     -\n"
              "02:7E:3A:04:C8:04  not_verified  192.168.1.13     location: Device kept other values: Company Name?[2J (written 3 times)\n");
    const std::pair<RowStatus, const char*> texts[] = {
        {RowStatus::Unchanged, "unchanged"}, {RowStatus::Updated, "updated"},           {RowStatus::NotFound, "not_found"},
        {RowStatus::Refused, "refused"},     {RowStatus::NotVerified, "not_verified"}, {RowStatus::WouldChange, "would_change"},
        {RowStatus::Interrupted, "interrupted"}};
    for (const auto& [status, text] : texts) EXPECT_EQ(RowStatusText(status), text);
}

TEST(ConfigurePlan, ExitStatus) {
    using R = RowStatus;
    struct Case {
        std::vector<R> statuses;
        int run, check;
    };
    const Case cases[] = {
        {{}, 0, 0},
        {{R::Unchanged, R::Updated}, 0, 1},
        {{R::Unchanged, R::WouldChange}, 1, 0},
        {{R::Updated, R::NotFound}, 1, 1},
        {{R::Updated, R::Refused}, 1, 1},
        {{R::Updated, R::NotVerified}, 1, 1},
        {{R::Unchanged}, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<ReportRow> rows;
        for (R s : c.statuses) rows.push_back({"02:7E:3A:04:C8:01", s, {}, "", ""});
        EXPECT_EQ(ConfigureExitStatus(rows, false), c.run) << c.statuses.size();
        EXPECT_EQ(ConfigureExitStatus(rows, true), c.check) << c.statuses.size();
    }
}

TEST(ConfigurePlan, ValuesThatCutADeviceOffEndThePlan) {
    // One value per case, in the column named; "" where the plan may run.
    struct Case {
        std::string column, value, error;
    };
    const std::string notHost =
        ": not an address a device can have (0.0.0.0, 255.255.255.255, loopback, multicast or reserved)";
    const std::string ip = "line 2, column 3 (ip): IP address", gateway = "line 2, column 3 (gateway): Gateway";
    const std::string netmask = "line 2, column 3 (netmask): Netmask: not a netmask of 8 to 30 leading one bits";
    const std::string blank = ": a blank in an address";
    const Case cases[] = {
        {"netmask", "255.255.255.0", ""},
        {"netmask", "255.0.0.0", ""},
        {"netmask", "255.255.255.252", ""},
        {"netmask", "255.255.255.254", netmask},
        {"netmask", "255.255.255.255", netmask},
        {"netmask", "0.0.0.0", netmask},
        {"netmask", "254.0.0.0", netmask},
        {"netmask", "255.0.255.0", netmask},
        {"netmask", "255.255.255.0 ", netmask},
        {"ip", "192.168.1.10", ""},
        {"ip", "192.168.001.010", ""},
        {"ip", "0.0.0.0", ip + notHost},
        {"ip", "255.255.255.255", ip + notHost},
        {"ip", "127.0.0.1", ip + notHost},
        {"ip", "127.10.0.5", ip + notHost},
        {"ip", "224.0.0.1", ip + notHost},
        {"ip", "239.255.255.250", ip + notHost},
        {"ip", "240.0.0.1", ip + notHost},
        {"ip", "192.168.1.255 ", ip + blank},
        {"ip", " 192.168.1.10", ip + blank},
        {"ip", "192.168. 1.10", ip + blank},
        {"gateway", "0.0.0.0", ""},
        {"gateway", "192.168.1.1", ""},
        {"gateway", "255.255.255.255", gateway + notHost},
        {"gateway", "127.0.0.1", gateway + notHost},
        {"gateway", "192.168.1.1 ", gateway + blank},
        {"serial_port", "1", ""},
        {"serial_port", "16", ""},
        {"serial_port", "0", "line 2, column 3 (serial_port): Serial port: not a whole number from 1 to 16"},
        {"serial_port", "17", "line 2, column 3 (serial_port): Serial port: not a whole number from 1 to 16"},
        {"serial_port", "255", "line 2, column 3 (serial_port): Serial port: not a whole number from 1 to 16"},
        {"maximum_connection", "1", ""},
        {"maximum_connection", "8", ""},
        {"maximum_connection", "9", "line 2, column 3 (maximum_connection): Maximum connection: not a whole number from 1 to 8"},
        {"maximum_connection", "256", "line 2, column 3 (maximum_connection): Maximum connection: not a whole number from 1 to 8"},
        {"maximum_connection", "0", "line 2, column 3 (maximum_connection): Maximum connection: not a whole number from 1 to 8"},
        {"serial_timeout", "65535", ""},
        {"tcp_alive_timeout", "255", ""},
        {"tcp_alive_timeout", "256", "line 2, column 3 (tcp_alive_timeout): TCP alive timeout: not a whole number from 0 to 255"},
        {"remote_ip_address", "0.0.0.0", ""},
    };
    for (const Case& c : cases) {
        const PlanParse plan = ParsePlan("mac,password," + c.column + "\n02:7E:3A:04:C8:01,Secr3t!x,\"" + c.value + "\"\n");
        EXPECT_EQ(plan.error, c.error) << c.column << " " << c.value;
        EXPECT_EQ(plan.rows.size(), c.error.empty() ? 1u : 0u) << c.column << " " << c.value;
        // No value quoted (the message's own list of addresses aside).
        if (!c.error.empty() && c.error.find(c.value) == std::string::npos) {
            EXPECT_EQ(plan.error.find(c.value), std::string::npos) << "no value quoted";
        }
    }
}

TEST(ConfigurePlan, FixedAddressesWithDhcpEnableEndThePlan) {
    const PlanParse plan = ParsePlan(
        "mac,password,dhcp,ip,netmask,gateway\n"
        "02:7E:3A:04:C8:01,Secr3t!x,Enable,192.168.1.20,,\n"
        "02:7E:3A:04:C8:02,Secr3t!x,Enable,,255.255.0.0,0.0.0.0\n"
        "02:7E:3A:04:C8:03,Secr3t!x,Disable,192.168.1.21,255.255.255.0,192.168.1.1\n"
        "02:7E:3A:04:C8:04,Secr3t!x,Enable,,,\n");
    const std::string rule = "a fixed address with dhcp Enable: leave it empty, or set dhcp to Disable";
    EXPECT_EQ(plan.error, "line 2, column 4 (ip): IP address: " + rule + "\n" +
                              "line 3, column 5 (netmask): Netmask: " + rule + "\n" +
                              "line 3, column 6 (gateway): Gateway: " + rule);
    EXPECT_TRUE(plan.rows.empty());
}

TEST(ConfigurePlan, APlanWithoutAHeaderNeverShowsItsCells) {
    const PlanParse plan = ParsePlan("02:7E:3A:04:C8:01,Secr3t!x,Rack-02\n02:7E:3A:04:C8:02,Secr3t!x,Rack-03\n");
    EXPECT_EQ(plan.error, "column 1 of line 1 is not a key\n"
                          "column 2 of line 1 is not a key\n"
                          "column 3 of line 1 is not a key\n"
                          "line 1: the header has no \"mac\" column\n"
                          "line 1: the header has no \"password\" column");
    EXPECT_EQ(plan.error.find("Secr3t"), std::string::npos);
    EXPECT_EQ(plan.error.find("Rack"), std::string::npos);
    EXPECT_EQ(plan.error.find("C8"), std::string::npos);
}

TEST(ConfigurePlan, AddressesTheDeviceAloneShowWrong) {
    // The device holds 192.168.1.10/24 through 192.168.1.1 (see Device).
    struct Case {
        const char* name;
        DeviceClass cls;
        std::vector<std::pair<std::string_view, std::string>> values;
        RowStatus status;
        std::string reason;
    };
    using R = RowStatus;
    const auto Z = DeviceClass::ZentaBox, D = DeviceClass::IpDongle, N = DeviceClass::None;
    const std::string networkOrBroadcast = "IP address: the network or broadcast address of its subnet";
    const std::string outside = "Gateway: outside the device's subnet";
    const Case cases[] = {
        {"a host of the subnet", N, {{"ip", "192.168.1.20"}}, R::WouldChange, ""},
        {"the network address", N, {{"ip", "192.168.1.0"}}, R::Refused, networkOrBroadcast},
        {"the broadcast address", N, {{"ip", "192.168.1.255"}}, R::Refused, networkOrBroadcast},
        {"broadcast with the row's netmask", N, {{"ip", "192.168.1.127"}, {"netmask", "255.255.255.128"}}, R::Refused,
         networkOrBroadcast},
        {"a host with the row's netmask", N, {{"ip", "192.168.1.255"}, {"netmask", "255.255.252.0"}, {"gateway", "192.168.0.1"}},
         R::WouldChange, ""},
        {"the device's gateway outside the row's netmask", N, {{"netmask", "255.255.255.248"}}, R::Refused, outside},
        {"box: gateway outside", Z, {{"gateway", "10.0.0.1"}}, R::Refused, outside},
        {"dongle: gateway outside", D, {{"gateway", "10.0.0.1"}}, R::Refused, outside},
        {"gateway outside after a move", N, {{"ip", "10.1.2.3"}}, R::Refused, outside},
        {"a move with its gateway", N, {{"ip", "10.1.2.3"}, {"gateway", "10.1.2.1"}}, R::WouldChange, ""},
        {"no gateway", Z, {{"ip", "10.1.2.3"}, {"gateway", "0.0.0.0"}}, R::WouldChange, ""},
        {"no address row: the device's are not checked", N, {{"name", "Rack-02"}}, R::WouldChange, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        const long k = TakePages(*store, Device(1));
        const DevicePlan plan = PlanDevice(*store, k, Row(1, kPassword, c.values), c.cls);
        EXPECT_EQ(plan.status, c.status);
        EXPECT_EQ(plan.reason, c.reason);
    }
}

TEST(ConfigurePlan, AnAddressForADeviceOnDhcpNeedsDhcpDisable) {
    auto store = std::make_unique<DeviceStore>();
    const long k = TakePages(*store, Device(1).Row(PagedRow::Dhcp, "Enable").record());
    const std::string refusal = "DHCP is on: add dhcp=Disable to set a fixed address";
    const struct {
        std::vector<std::pair<std::string_view, std::string>> values;
        RowStatus status;
        std::string reason;
    } cases[] = {
        {{{"ip", "192.168.1.20"}}, RowStatus::Refused, refusal},
        {{{"netmask", "255.255.0.0"}}, RowStatus::Refused, refusal},
        {{{"gateway", "192.168.1.1"}}, RowStatus::Refused, refusal},
        {{{"ip", "192.168.1.10"}}, RowStatus::Refused, refusal},
        {{{"dhcp", "Disable"}, {"ip", "192.168.1.20"}}, RowStatus::WouldChange, ""},
        {{{"name", "Rack-02"}}, RowStatus::WouldChange, ""},
    };
    for (const auto& c : cases) {
        const DevicePlan plan = PlanDevice(*store, k, Row(1, kPassword, c.values), DeviceClass::ZentaBox);
        EXPECT_EQ(plan.status, c.status) << c.values[0].first;
        EXPECT_EQ(plan.reason, c.reason) << c.values[0].first;
    }
}
