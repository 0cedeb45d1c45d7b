// The writes of many devices and the watch of their return, as operations of
// the device session on its own events: nothing here runs an event loop of
// its own. Each operation reports its progress and its end to the caller's
// functions; the command line waits for the end, a window can show each step.
//
// - The batch: the devices' update sequences at once, paced, without the
//   countdown (the watch takes its place); after `stopStarting` holds no
//   further device starts, and each one started gets the rest of its own.
// - The return watch: a search request (and the module query) once a program
//   second on the sockets it keeps, every answer handed to a ReturnWatch; a
//   device the watch asks to write again gets its whole sequence once more.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/configure_watch.h"
#include "core/write_sequence.h"
#include "session/device_session.h"

namespace cobalin {

// Sends search request `type` (and with `modules` the module query) to each
// of `others` but `host`, from the session's search and module sockets as
// they stand: binding one again could drop an answer already on its way. Only
// for an address search; a broadcast reaches a device wherever it moved.
// Empty, or what could not be sent to which address.
std::string AskAddresses(DeviceSession& session, int16_t type, const std::string& host,
                         const std::vector<std::string>& others, bool modules);

class ManyDevices : public QObject {
public:
    explicit ManyDevices(DeviceSession& session);

    // --- The batch ---
    struct BatchEnd {
        std::set<int16_t> started;  // each device whose first request was due before a stop
    };
    // Writes `batch` by `host` (a broadcast address, or one address), each
    // device with the window's update steps, paced. `countdown` is set to the
    // program seconds the window would wait after the last request. False
    // when a sequence runs already.
    bool StartBatch(const std::vector<BatchDevice>& batch, const QString& host, std::function<bool()> stopStarting,
                    std::function<void(const BatchEnd&)> ended, double& countdown);

    // --- The return watch ---
    struct WatchRequest {
        QString host;                       // where the search goes
        int16_t type = SearchNetwork;       // its search request
        std::vector<std::string> alsoAsk;   // an address search asks these too
        std::vector<BatchDevice> batch;     // how each device was written
        std::function<bool()> stopStarting; // once it holds, no device is written again
        // Told a device whose state changed: it came back holding what was
        // written, or it is being written again, or its new attempt's last
        // request went (ReturnWatch::Verified and Attempts say which).
        std::function<void(long entry)> device = {};
    };
    // Watches the devices `watch` holds come back: `progress` is told how
    // many are still waited for whenever that changes, `ended` once, with
    // empty text or the request that could not be sent. `watch` must outlive
    // the watching.
    void StartWatch(ReturnWatch& watch, WatchRequest request, std::function<void(size_t waiting, size_t count)> progress,
                    std::function<void(const std::string& fault)> ended);
    // Ends the watch now (a second stop signal): a device being written
    // again gets its requests that are due, then the end is told.
    void StopWatch();
    bool Watching() const { return watch_ != nullptr; }

private:
    void Follow(const WatchStep& step);
    void Arrived(long entry, bool module);
    void Tell(long entry) const {
        if (request_.device) request_.device(entry);
    }
    void WriteAgain();
    void AgainWritten();
    void End(const std::string& fault);
    static double Now();

    DeviceSession& session_;
    ReturnWatch* watch_ = nullptr;
    WatchRequest request_;
    std::function<void(size_t, size_t)> progress_;
    std::function<void(const std::string&)> ended_;
    size_t shown_ = 0;
    bool stopping_ = false;
    std::string endFault_;         // a probe failed while a device was written again: the end once it is
    QTimer wake_;                  // the watch's next moment
    QTimer kick_;                  // writes again from the event loop, not from inside a sequence's end
    std::vector<long> pending_;    // to be written again once no sequence runs
    std::vector<long> writing_;    // being written again
};

}  // namespace cobalin
