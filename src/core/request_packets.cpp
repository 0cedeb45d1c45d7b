#include "core/request_packets.h"

#include <algorithm>

namespace cobalin {

namespace {

constexpr CommandRoute kUdpRoutes[] = {
    {SearchNetwork, SocketId::UDP8888, 0, kNetworkSearchLocalPort,
     "C0:Failed to initial UDP connection! Please retry again."},
    {SearchAddress, SocketId::UDP8888, kCommandPort, kAddressSearchLocalPort,
     "C1:Failed to initial UDP connection! Please retry again."},
    {ResetDevice, SocketId::UDP8890, kCommandPort, kResetLocalPort,
     "C2:Failed to initial UDP connection! Please retry again."},
    {ClearConfigBuffer, SocketId::UDP8890, kCommandPort, kClearLocalPort,
     "C3:Failed to initial UDP connection! Please retry again."},
    // There is no message numbered C4: the write reports C5.
    {WriteConfig, SocketId::UDP8890, kCommandPort, kWriteLocalPort,
     "C5:Failed to initial UDP connection! Please retry again."},
};

constexpr size_t kWriteHeaderSize = 31;
constexpr uint8_t kWriteMark = 0x7F;

void AppendMagic(Bytes& out) { out.insert(out.end(), RequestMagic.begin(), RequestMagic.end()); }

Bytes MaintenanceHead(const EchoBytesArray& echo, const DeviceRecord& record, std::string_view word, size_t size) {
    Bytes out;
    out.reserve(size);
    AppendMagic(out);
    out.push_back(0x00);
    out.push_back(0x00);
    out.insert(out.end(), echo.begin(), echo.end());
    out.insert(out.end(), record.begin() + kIdentityOffset, record.begin() + kIdentityOffset + kIdentitySize);
    for (size_t i = 0; i < 12; ++i) out.push_back(i < word.size() ? static_cast<uint8_t>(word[i]) : 0x00);
    out.resize(size, 0x00);
    return out;
}

Bytes WriteHead(const DeviceRecord& record, uint8_t number, size_t size) {
    Bytes out;
    out.reserve(size);
    AppendMagic(out);
    out.push_back(kWriteMark);
    out.push_back(0x00);
    out.insert(out.end(), record.begin() + kIdentityOffset, record.begin() + kIdentityOffset + kIdentitySize);
    out.push_back(number);
    return out;
}

void PutPort(Bytes& d, size_t at, uint16_t port) {
    d[at] = static_cast<uint8_t>(port & 0xFF);
    d[at + 1] = static_cast<uint8_t>(port >> 8);
}

}  // namespace

const CommandRoute* FindUdpRoute(int16_t type) {
    for (const auto& r : kUdpRoutes)
        if (r.type == type) return &r;
    return nullptr;
}

Bytes BuildSearchRequest(int16_t type, int remotePort) {
    Bytes out;
    if (type == SearchAddress || remotePort == kSearchPort || remotePort == kCommandPort) AppendMagic(out);
    out.push_back(0x00);
    return out;
}

Bytes BuildMaintenanceRequest(const EchoBytesArray& echo, const DeviceRecord& record, std::string_view word) {
    return MaintenanceHead(echo, record, word, kMaintenanceRequestSize);
}

Bytes BuildBaudRequest(const EchoBytesArray& echo, const DeviceRecord& record) {
    Bytes out = MaintenanceHead(echo, record, "setbaud", kBaudRequestSize);
    out[58] = 0x0A;
    out[59] = 0x01;
    return out;
}

WriteDatagrams BuildWriteDatagrams(const DeviceRecord& record) {
    // Datagram position p carries record byte p - 23.
    constexpr size_t shift = kWriteHeaderSize - kPageHeaderSize;
    WriteDatagrams w;
    w.a = WriteHead(record, 0x01, kWriteASize);
    w.a.insert(w.a.end(), record.begin() + kPageHeaderSize, record.begin() + kPages[0].length);

    const size_t block1 = kSerialBlock1 + shift, block2 = kSerialBlock2 + shift;
    PutPort(w.a, block1, 4000);
    if (record[kSerialPortCountOffset] != 1) {
        // A device with two serial ports gets block 2 derived from block 1.
        PutPort(w.a, block2, 4001);
        std::copy(w.a.begin() + static_cast<long>(block1 + 2), w.a.begin() + static_cast<long>(block1 + kSerialBlockSize),
                  w.a.begin() + static_cast<long>(block2 + 2));
        for (size_t i = 0; i < 4; ++i) PutPort(w.a, block2 + 88 + 2 * i, 4000);
    }

    w.b = WriteHead(record, 0x02, kWriteBSize);
    const size_t page1Data = kPages[1].recordOffset + kPageHeaderSize;
    w.b.insert(w.b.end(), record.begin() + static_cast<long>(page1Data),
               record.begin() + static_cast<long>(kPages[1].recordOffset + kPages[1].length));
    w.b.push_back(WriteChecksum(w.a, w.b));
    w.b.push_back(0x00);
    return w;
}

uint8_t WriteChecksum(std::span<const uint8_t> a, std::span<const uint8_t> b) {
    uint32_t sum = 0;
    for (size_t i = kWriteHeaderSize; i < std::min<size_t>(a.size(), kWriteASize); ++i) sum += a[i];
    for (size_t i = kWriteHeaderSize; i < std::min<size_t>(b.size(), kWriteBSize - 2); ++i) sum += b[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

}  // namespace cobalin
