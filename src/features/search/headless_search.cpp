#include "features/search/headless_search.h"

#include <QEventLoop>
#include <QTimer>

#include "core/lan_module.h"
#include "core/operation_ticks.h"
#include "core/request_packets.h"
#include "toolkit/program_time.h"

namespace cobalin {

using ui::SocketControl;

namespace {
std::span<const uint8_t> View(const QByteArray& d) {
    return {reinterpret_cast<const uint8_t*>(d.constData()), static_cast<size_t>(d.size())};
}
std::string PortTaken(int port, const SocketControl& s) {
    return "cannot use UDP port " + std::to_string(port) + " (" + s.objectName().toStdString() +
           "): another program holds it, or the system refuses it";
}
}  // namespace

HeadlessSearch::HeadlessSearch(DeviceStore& store) : store_(store) {
    connect(&search_, &SocketControl::DataArrival, this, [this] { ReplyArrived(); });
    connect(&modules_, &SocketControl::DataArrival, this, [this] { ModuleReplyArrived(); });
}

void HeadlessSearch::ReplyArrived() {
    const IntakeResult r = ReplyIntake(store_, View(search_.GetData(static_cast<int>(kMaxDatagramRead))));
    NoteArrivalInterface(store_, r, search_.ArrivalInterface().index, search_.ArrivalInterface().name);
    if (r.outcome == IntakeResult::Refused) ++refused_;
}

void HeadlessSearch::ModuleReplyArrived() { ModuleReplyIntake(store_, View(modules_.GetData(65536))); }

std::string HeadlessSearch::Run(const Target& target) {
    const CommandRoute* route = FindUdpRoute(target.type);
    if (!route || (target.type != SearchNetwork && target.type != SearchAddress)) return "not a search";
    ClearDeviceTable(store_);
    store_.DeviceCount = 0;
    refused_ = 0;

    search_.Close();
    search_.protocol = SocketControl::Protocol::UDP;
    search_.RemoteHost = target.host;
    search_.RemotePort = target.remotePort;
    if (!search_.Bind(route->localPort) || search_.State() != SocketControl::kOpen) {
        search_.Close();
        return PortTaken(route->localPort, search_);
    }
    if (!search_.SendData(ui::ToByteArray(BuildSearchRequest(target.type, target.remotePort)))) {
        search_.Close();
        return "the search request could not be sent to " + target.host.toStdString() + ":" +
               std::to_string(target.remotePort) + " (no route to that address?)";
    }

    std::string error;
    int16_t tick = 1;
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(ScaledMs(target.seconds * 1000.0 / kLastOperationTick));
    connect(&timer, &QTimer::timeout, &loop, [&] {
        switch (AdvanceOperationTick(tick)) {
            case TickStep::Counted:
                break;
            case TickStep::QueryModules:
                // From the local port the search asked, to the module port, as the window does.
                modules_.Close();
                modules_.protocol = SocketControl::Protocol::UDP;
                modules_.RemoteHost = target.host;
                modules_.RemotePort = kModulePort;
                if (!modules_.Bind(target.remotePort) || modules_.State() != SocketControl::kOpen) {
                    error = PortTaken(target.remotePort, modules_);
                    loop.quit();
                    break;
                }
                modules_.SendData(ui::ToByteArray(BuildModuleQuery()));  // a send error is swallowed, as in the window
                break;
            case TickStep::Finished:
                loop.quit();
                break;
        }
    });
    timer.start();
    loop.exec();
    timer.stop();
    // Replies that arrive after the sockets close are lost, as in the window.
    search_.Close();
    modules_.Close();
    return error;
}

}  // namespace cobalin
