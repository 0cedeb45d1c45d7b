// The window's search without a window, for the command line: the search
// socket and the module socket on the window's local ports, the same request
// bytes, the LAN-module query on the ninth tick and the same intake into a
// device table. It needs an event loop (QCoreApplication) but no display.
#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "core/device_table.h"
#include "toolkit/socket_control.h"

namespace cobalin {

class HeadlessSearch : public QObject {
public:
    struct Target {
        QString host;          // "255.255.255.255", a network's broadcast address or one address
        int16_t type;          // SearchNetwork or SearchAddress
        int remotePort;        // the port asked; also the module socket's local port, as in the window
        double seconds = 5.7;  // program seconds of listening, over 19 ticks
    };

    explicit HeadlessSearch(DeviceStore& store);

    // Empties the table, searches and listens for the whole period. Empty
    // when the search ran, else one line saying what failed.
    std::string Run(const Target& target);

    // Replies refused by the intake (a page cut short, or a device past the 255th).
    int Refused() const { return refused_; }

    // The window's sockets, by their names.
    ui::SocketControl& SearchSocket() { return search_; }
    ui::SocketControl& ModuleSocket() { return modules_; }

private:
    void ReplyArrived();
    void ModuleReplyArrived();

    DeviceStore& store_;
    ui::SocketControl search_{"UDP8888"};
    ui::SocketControl modules_{"UDPsck"};
    int refused_ = 0;
};

}  // namespace cobalin
