// The simulator lays out its records by its own byte table; the program
// writes them through its field table and editor encodings. Both are built
// here for the same device and compared byte by byte, so an offset or an
// encoding that either side gets wrong shows as a difference.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <span>
#include <sstream>

#include "core/device_table.h"
#include "core/lan_module.h"
#include "core/parameter_codec.h"
#include "sim/device_model.h"

using namespace cobalin;
using namespace cobalin::sim;

namespace {

// Every field a value that is neither zero nor a default, so that a field
// written to the wrong place cannot hide behind zero bytes.
constexpr const char* kEveryField =
    "[device]\nmac = 02:7E:3A:04:C8:1E\nip = 192.168.7.21\nidentity = 0A:1B:2C:3D:4E:5F\n"
    "name = Dongle-17\nserial = D26000117\npassword = s3cret\ndhcp = Enable\n"
    "netmask = 255.255.252.0\ngateway = 192.168.4.1\nlink_in = 2)100/Half Duplex\nhwid = PCB-4193-02\n"
    "serial_ports = 2\nbaud = 57600\ndata_stop = 7-2\nparity = Odd\nflow = Xon/Xoff\nprotocol = UDP\n"
    "serial_timeout = 300\nalive = 45\nmode = Client (no HB)\ndelimiter1 = 13\ndelimiter2 = 10\n"
    "force_transmit = 256\nport = 4012\nserial_mode = RS485H\nconnect_at = Data Arrived\n"
    "max_connections = 8\nremote_ip = 10.20.30.40\nmodel = IPD-100\n"
    "company = Zenta Solutions of the Northern Sea Coast\nserial2 = B26000117\nlink_out = 1)10/Full Duplex\n"
    "version = V1.0.7\ndate = 2026-03-14 09:30\nport_status = 1\nmodule = yes\n";

// The same device after its module record changed every field it carries.
constexpr const char* kChangedByModule =
    "[device]\nmac = 02:7E:3A:04:C8:1E\nip = 10.1.2.3\nidentity = 0A:1B:2C:3D:4E:5F\n"
    "name = Renamed\nserial = M99\npassword = pw\ndhcp = Enable\n"
    "netmask = 255.0.0.0\ngateway = 10.0.0.254\nlink_in = 2)100/Half Duplex\nhwid = PCB-4193-02\n"
    "serial_ports = 2\nbaud = 57600\ndata_stop = 7-2\nparity = Odd\nflow = Xon/Xoff\nprotocol = UDP\n"
    "serial_timeout = 300\nalive = 45\nmode = Client (no HB)\ndelimiter1 = 13\ndelimiter2 = 10\n"
    "force_transmit = 256\nport = 4012\nserial_mode = RS485H\nconnect_at = Data Arrived\n"
    "max_connections = 8\nremote_ip = 10.20.30.40\nmodel = LM-7\n"
    "company = Module Co\nserial2 = B26000117\nlink_out = 1)10/Full Duplex\n"
    "version = V1.0.7\ndate = 2026-03-14 09:30\nport_status = 1\nmodule = yes\n";

DeviceDescription Device(const char* text) {
    ParseError e;
    const auto lan = ParseLanDescription(text, e);
    EXPECT_TRUE(lan.has_value()) << e.line << ": " << e.message;
    return lan ? lan->devices.at(0) : DeviceDescription{};
}

// The description key of each editor row, for the program's side.
struct RowKey {
    PagedRow::Row row;
    const char* key;
};
using P = PagedRow;
constexpr RowKey kRowKeys[] = {
    {P::ServerName, "name"},        {P::SerialHardware, "serial"},    {P::Password, "password"},
    {P::Dhcp, "dhcp"},              {P::Netmask, "netmask"},          {P::Gateway, "gateway"},
    {P::LinkIn, "link_in"},         {P::HardwareId, "hwid"},          {P::SerialPort, "serial_ports"},
    {P::BaudRate, "baud"},          {P::DataStopBits, "data_stop"},   {P::Parity, "parity"},
    {P::FlowControl, "flow"},       {P::Protocol, "protocol"},        {P::SerialTimeout, "serial_timeout"},
    {P::TcpAliveTimeout, "alive"},  {P::ConnectionMode, "mode"},      {P::DelimiterHex1, "delimiter1"},
    {P::DelimiterHex2, "delimiter2"}, {P::ForceTransmit, "force_transmit"}, {P::TcpUdpPort, "port"},
    {P::SerialPortMode, "serial_mode"}, {P::ConnectionAt, "connect_at"}, {P::MaxConnection, "max_connections"},
    {P::RemoteIp, "remote_ip"},     {P::ModelNo, "model"},            {P::CompanyName, "company"},
    {P::SerialBrenik, "serial2"},   {P::LinkOut, "link_out"},
};

// The program's record of the device: page headers and the identity bytes
// as the program places them, then every row through the editor's encoding.
DeviceRecord ProgramRecord(const DeviceDescription& d, DeviceStore& store) {
    DeviceRecord& r = store.DeviceTable[1].Record;
    for (size_t page = 0; page < kPages.size(); ++page) {
        r[kPages[page].recordOffset] = kPageMark;
        std::copy(d.mac.begin(), d.mac.end(), r.begin() + static_cast<long>(kPages[page].recordOffset + 1));
        r[kPages[page].recordOffset + 7] = static_cast<uint8_t>(page);
    }
    std::copy(d.identity.begin(), d.identity.end(), r.begin() + kIdentityOffset);
    ParameterTextArray texts;
    for (const auto& k : kRowKeys)
        EXPECT_EQ(ApplyParameter(store, texts, k.row, Value(d, k.key), 1), ApplyOutcome::Written) << k.key;
    EXPECT_EQ(ApplyParameter(store, texts, P::IpAddress, FormatIp(d.ip), 1), ApplyOutcome::Written);
    return r;
}

// The differing bytes; in a device record each with the row that holds it.
template <typename A, typename B>
std::string Differences(const A& sim, const B& program, bool deviceRecord = true) {
    std::ostringstream s;
    for (size_t i = 0; i < std::min(sim.size(), program.size()); ++i) {
        if (sim[i] == program[i]) continue;
        s << "byte " << i << ": simulator " << int(sim[i]) << ", program " << int(program[i]);
        for (const FieldDef& f : deviceRecord ? PagedFields() : std::span<const FieldDef>{})
            if (i >= f.offset && i < f.offset + f.size) s << " (" << f.label << ")";
        s << "\n";
    }
    if (sim.size() != program.size()) s << "sizes " << sim.size() << " and " << program.size() << "\n";
    return s.str();
}

}  // namespace

TEST(RecordCrossCheck, SimulatorAndProgramWriteTheSameDeviceRecord) {
    const DeviceDescription d = Device(kEveryField);
    const RecordImage sim = BuildRecord(d);
    auto store = std::make_unique<DeviceStore>();
    DeviceRecord program = ProgramRecord(d, *store);

    // Version, date and port status are only read by the program: it has no
    // writer to compare with, so its decoding of the simulator's bytes says
    // whether they lie where it reads them.
    ParameterTextArray t;
    DecodeRecord(sim, t);
    EXPECT_EQ(t[P::VersionDate], "V1.0.7 & 2026-03-14 09:30");
    EXPECT_EQ(t[P::PortStatus], "Connected");
    for (const auto row : {P::VersionDate, P::PortStatus}) {
        const FieldDef& f = PagedFields()[row];
        std::copy_n(sim.begin() + f.offset, f.size, program.begin() + f.offset);
    }
    EXPECT_EQ(Differences(sim, program), "");
}

TEST(RecordCrossCheck, SimulatorAndProgramWriteTheSameModuleRecord) {
    const DeviceDescription d = Device(kEveryField);
    const Bytes sim = BuildModuleRecord(d);
    ASSERT_EQ(sim.size(), kModuleRecordSize);

    // The program mirrors each edit into an attached module record.
    auto store = std::make_unique<DeviceStore>();
    store->DeviceTable[1].FormatTag = RecordFormat::WithModule;
    Bytes& program = store->LanModuleTable[1].Record;
    std::copy(d.mac.begin(), d.mac.end(), program.begin() + kModuleMacOffset);
    const std::pair<int, std::string> edits[] = {
        {3, Value(d, "name")},     {4, Value(d, "serial")}, {5, Value(d, "model")},   {6, Value(d, "company")},
        {7, Value(d, "password")}, {8, FormatIp(d.ip)},     {9, Value(d, "netmask")}, {10, Value(d, "gateway")}};
    for (const auto& [code, text] : edits) EXPECT_TRUE(BuildModuleUpdate(*store, 1, code, text)) << code;

    // An answer starts with "A", an update with "UpdateLM"; with the same
    // first eight bytes, each side's checksum must agree with the other's.
    EXPECT_EQ(sim[0], kModuleAnswerMark);
    EXPECT_EQ(std::string(program.begin(), program.begin() + 8), kModuleUpdateMark);
    EXPECT_EQ(program.back(), ModuleSum(program));
    Bytes asAnswer = program;
    std::copy_n(sim.begin(), 8, asAnswer.begin());
    asAnswer.back() = ModuleChecksum(asAnswer);
    EXPECT_EQ(Differences(sim, asAnswer, false), "");

    // The program's update, taken by the simulator's module, gives the record
    // the simulator builds for the device those values describe.
    const DeviceDescription changed = Device(kChangedByModule);
    for (const auto& [code, text] :
         std::initializer_list<std::pair<int, std::string>>{{3, "Renamed"}, {4, "M99"}, {5, "LM-7"},
                                                            {6, "Module Co"}, {7, "pw"}, {8, "10.1.2.3"},
                                                            {9, "255.0.0.0"}, {10, "10.0.0.254"}})
        EXPECT_TRUE(BuildModuleUpdate(*store, 1, code, text)) << code;
    RecordImage taken = BuildRecord(d);
    TakeModuleFields(program, taken);
    const RecordImage expected = BuildRecord(changed);
    EXPECT_EQ(Differences(taken, expected), "");
}
