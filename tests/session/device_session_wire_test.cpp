// The device session's requests as they leave, with a device played on
// 127.0.0.1 (each test binary runs in a network namespace of its own where it
// can): each request is built from the device it is for, a batch runs from
// the event loop on program time, and nothing leaves once the session has
// shut or the device is no longer the one the run was started for. Program
// time is a clock the tests move: what must not leave is looked for once the
// clock has passed the moment it would have left.
#include <gtest/gtest.h>
#include <net/if.h>

#include "core/device_table.h"
#include "core/request_packets.h"
#include "core/write_sequence.h"
#include "loopback_udp.h"
#include "real_wait.h"
#include "record_builder.h"
#include "session/device_session.h"
#include "toolkit/program_clock.h"
#include "toolkit/program_time.h"
#include "writable_store.h"

namespace cobalin {
namespace {

using testing::LoopbackUdp;
using testing::Mac;
using testing::PageBytes;
using testing::RecordBuilder;
using testing::WaitReal;

const QString kHost = "127.0.0.1";

// Two devices of one search, told apart by their MAC and serial copy (the
// echo bytes), with the device's command port played on the loopback address.
struct Wire {
    Wire() { Add(1), Add(2); }

    int Add(uint8_t last) {
        const DeviceRecord r = RecordBuilder::Paged(Mac(last)).Row(PagedRow::SerialHardware, "SER-" + std::to_string(last));
        int entry = -1;
        // Its replies come in by the loopback interface, which its requests then leave by.
        for (int page : {0, 1, 2}) {
            const IntakeResult taken = ReplyIntake(*Writable(state.Devices), PageBytes(r, page));
            NoteArrivalInterface(*Writable(state.Devices), taken, static_cast<int>(if_nametoindex("lo")), "lo");
            entry = taken.entry;
        }
        return entry;
    }
    const DeviceEntry& Entry(int i) const { return Writable(state.Devices)->DeviceTable[static_cast<size_t>(i)]; }
    Bytes Maintenance(int i, std::string_view word) const {
        return BuildMaintenanceRequest(Entry(i).EchoBytes, Entry(i).Record, word);
    }
    // The write's two datagrams, then the reset: one device's update after its clear.
    std::vector<Bytes> WriteAndReset(int i) const {
        const WriteDatagrams w = BuildWriteDatagrams(Entry(i).Record);
        return {w.a, w.b, Maintenance(i, "reset")};
    }

    // Everything the device's port has taken in so far, a search request left out.
    const std::vector<Bytes>& Arrived() {
        for (auto& d : device.Drain())
            if (d.data != BuildSearchRequest(SearchAddress, kCommandPort)) arrived.push_back(std::move(d.data));
        return arrived;
    }
    // Requests leave by the loopback address as they are sent; this waits
    // for the socket to have them, in real time.
    bool ArrivedCount(size_t n) {
        return WaitReal([&] { return Arrived().size() >= n; });
    }

    ManualClock clock;  // first in, last out: the session's timers run on it
    AppState state{"."};
    DeviceSession session{state};
    LoopbackUdp device{kCommandPort};
    std::vector<Bytes> arrived;
};

TEST(DeviceSessionWire, ARequestCarriesTheEchoBytesOfTheDeviceItIsFor) {
    const struct {
        int16_t command;
        const char* word;
    } cases[] = {{ResetDevice, "reset"}, {ClearConfigBuffer, "clrCfgBuf"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        Wire w;
        ASSERT_TRUE(w.device.bound());
        ASSERT_NE(w.Entry(1).EchoBytes, w.Entry(2).EchoBytes);
        w.session.SelectEntry(1);
        ASSERT_TRUE(w.session.Send(kHost, c.command, 2));
        ASSERT_TRUE(w.ArrivedCount(1));
        EXPECT_EQ(w.Arrived(), std::vector<Bytes>{w.Maintenance(2, c.word)});
        EXPECT_EQ(w.state.SelectedDevice, 1) << "a request chooses no device";
    }
}

TEST(DeviceSessionWire, ABatchRunsFromTheEventLoopEachDeviceWithItsOwnBytes) {
    Wire w;
    ASSERT_TRUE(w.device.bound());
    std::vector<std::string> told;
    bool done = false;
    DeviceSession::Sequence batch{BatchUpdateSteps({{1, false}, {2, false}}), kHost, 0,
                                  [&](const WriteStep& s) { told.push_back(s.kind == WriteStep::SearchAgain ? "search" : "other"); },
                                  [&] { done = true; }};
    ASSERT_TRUE(w.session.RunSequence(std::move(batch)));
    // The handler that started it has returned; the writes are still ahead.
    EXPECT_TRUE(w.session.SequenceRuns());
    EXPECT_FALSE(done);
    ASSERT_TRUE(WaitUntil([&] { return done; }, 60));
    ASSERT_TRUE(w.ArrivedCount(8));
    std::vector<Bytes> want = {w.Maintenance(1, "clrCfgBuf"), w.Maintenance(2, "clrCfgBuf")};
    for (int i : {1, 2})
        for (Bytes& b : w.WriteAndReset(i)) want.push_back(std::move(b));
    EXPECT_EQ(w.Arrived(), want);
    EXPECT_EQ(told, std::vector<std::string>{"search"});
    EXPECT_EQ(w.state.SelectedDevice, 0) << "a batch leaves the selection as it was";
    EXPECT_FALSE(w.session.SequenceAbandoned());
}

TEST(DeviceSessionWire, ShuttingDuringAWaitSendsNothingMore) {
    Wire w;
    ASSERT_TRUE(w.device.bound());
    bool done = false;
    DeviceSession::Sequence run{{{WriteStep::Send, {}, ClearConfigBuffer}, {WriteStep::Wait, {}, -1, 1},
                                 {WriteStep::Send, {}, ResetDevice}},
                                kHost, 1, nullptr, [&] { done = true; }};
    ASSERT_TRUE(w.session.RunSequence(std::move(run)));
    ASSERT_TRUE(w.ArrivedCount(1));
    w.session.Shut();
    w.clock.Advance(3);
    EXPECT_EQ(w.Arrived(), std::vector<Bytes>{w.Maintenance(1, "clrCfgBuf")});
    EXPECT_FALSE(done);
    EXPECT_FALSE(w.session.SequenceRuns());
}

TEST(DeviceSessionWire, ADeviceGoneMidUpdateGetsNoFurtherRequest) {
    // A new search empties the table while the update waits; another device
    // may then answer into the entry the update was for.
    for (const bool another : {false, true}) {
        SCOPED_TRACE(another ? "entry taken by another device" : "entry emptied");
        Wire w;
        ASSERT_TRUE(w.device.bound());
        const Bytes clear = w.Maintenance(1, "clrCfgBuf");
        bool done = false;
        DeviceSession::Sequence run{{{WriteStep::Send, {}, ClearConfigBuffer}, {WriteStep::Wait, {}, -1, 1},
                                     {WriteStep::Send, {}, WriteConfig}, {WriteStep::Send, {}, ResetDevice}},
                                    kHost, 1, nullptr, [&] { done = true; }};
        ASSERT_TRUE(w.session.RunSequence(std::move(run)));
        ASSERT_TRUE(w.ArrivedCount(1));
        ASSERT_TRUE(w.session.Send(kHost, SearchAddress, 0));
        if (another) {
            ASSERT_EQ(w.Add(9), 1);
        }
        ASSERT_TRUE(WaitUntil([&] { return done; }, 30));
        w.clock.Advance(0.5);
        EXPECT_EQ(w.Arrived(), std::vector<Bytes>{clear});
        w.session.Shut();
    }
}

TEST(DeviceSessionWire, ABatchThatStopsStartingFinishesOnlyTheDevicesItStarted) {
    Wire w;
    ASSERT_TRUE(w.device.bound());
    bool done = false;
    DeviceSession::Sequence batch{BatchUpdateSteps({{1, false}, {2, false}}), kHost, 0, nullptr, [&] { done = true; }};
    // The stop comes after the first device's clear has gone.
    int asked = 0;
    batch.stopStarting = [&] { return ++asked > 1; };
    ASSERT_TRUE(w.session.RunSequence(std::move(batch)));
    ASSERT_TRUE(WaitUntil([&] { return done; }, 60));
    ASSERT_TRUE(w.ArrivedCount(4));
    w.clock.Advance(0.5);
    std::vector<Bytes> want = {w.Maintenance(1, "clrCfgBuf")};
    for (Bytes& b : w.WriteAndReset(1)) want.push_back(std::move(b));
    EXPECT_EQ(w.Arrived(), want);
    EXPECT_EQ(w.session.SequenceStarted(), std::set<int16_t>{1});
}

TEST(DeviceSessionWire, AnUpdateWhoseDeviceIsNoLongerChosenSendsNothingMoreAndSaysSo) {
    Wire w;
    ASSERT_TRUE(w.device.bound());
    w.session.SelectEntry(1);
    bool done = false, moved = false;
    // Another device is chosen by what a step shows just before the clear
    // (the panel held): the clear, due next, does not go, nor anything later.
    DeviceSession::Sequence update{{}, kHost, 1,
                                   [&](const WriteStep& s) {
                                       if (s.kind != WriteStep::HoldPanel || moved) return;
                                       w.session.SelectEntry(2);
                                       moved = true;
                                   },
                                   [&] { done = true; }};
    SentUpdate sent;
    sent.mac = w.Entry(1).MacText;
    sent.record = w.Entry(1).Record;
    ASSERT_TRUE(w.session.Update(std::move(update), std::move(sent)));
    ASSERT_TRUE(WaitUntil([&] { return done; }, 60));
    w.clock.Advance(0.5);
    EXPECT_EQ(w.Arrived(), std::vector<Bytes>{});
    EXPECT_TRUE(w.session.SequenceAbandoned());
    EXPECT_EQ(w.session.UpdateVerdict(), kDeviceChangedMeanwhile);
}

TEST(DeviceSessionWire, TheEndOfASearchIsToldOnceItsListeningPeriodIsOver) {
    Wire w;
    ASSERT_TRUE(w.device.bound());
    std::vector<std::string> told;
    w.session.OnListeningEnded([&] { told.push_back("listening"); });
    w.session.OnSearchEnded([&] { told.push_back("search"); });
    const auto listen = [&](int16_t type, int16_t device) {
        told.clear();
        w.session.StartCounting();
        EXPECT_TRUE(w.session.Send(kHost, type, device));
        EXPECT_TRUE(told.empty()) << "nothing ends before the period is over";
        EXPECT_TRUE(WaitUntil([&] { return !w.session.Counting(); }, 30));
        return told;
    };
    EXPECT_EQ(listen(SearchAddress, 0), (std::vector<std::string>{"listening", "search"}));
    // The table is empty now: the device comes back for the request.
    w.Add(1);
    EXPECT_EQ(listen(ClearConfigBuffer, 1), std::vector<std::string>{"listening"}) << "a request for a device is no search";
    // A search that could not start ends with its caller, not with a period.
    told.clear();
    w.session.StartCounting();
    ASSERT_TRUE(w.session.Send(kHost, SearchAddress, 0));
    w.session.StopCounting();
    w.clock.Advance(7);
    EXPECT_TRUE(told.empty());
}

}  // namespace
}  // namespace cobalin
