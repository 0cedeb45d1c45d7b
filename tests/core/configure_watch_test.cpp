#include "core/configure_watch.h"

#include <gtest/gtest.h>

#include "core/lan_module.h"
#include "record_builder.h"

using namespace cobalin;
using namespace cobalin::testing;

namespace {

constexpr const char* kPassword = "Secr3t!x";

DeviceRecord Device(uint8_t last, std::string_view name = "Rack-01", std::string_view ip = "192.168.1.10") {
    return RecordBuilder::Paged(Mac(last))
        .Row(PagedRow::ServerName, name)
        .Row(PagedRow::Password, kPassword)
        .Row(PagedRow::Dhcp, "Disable")
        .Row(PagedRow::IpAddress, ip)
        .Row(PagedRow::Netmask, "255.255.255.0")
        .Row(PagedRow::SerialPort, "1")
        .Row(PagedRow::TcpUdpPort, "4000")
        .record();
}

std::string MacText(uint8_t last) { return FormatMac(Mac(last).data()); }

// One answer to one search request: its own round, as the session counts them.
long Answer(DeviceStore& store, const DeviceRecord& record, std::vector<int> pages = {0, 1, 2}) {
    ++store.SearchRound;
    long entry = 0;
    for (int p : pages) entry = ReplyIntake(store, PageBytes(record, p)).entry;
    return entry;
}

// A store after the first search and the write of device 6: its entry holds
// the record that was sent, as the command leaves it.
struct Written {
    std::unique_ptr<DeviceStore> store = std::make_unique<DeviceStore>();
    long entry = 0;
    SentUpdate sent;
    Written() {
        Answer(*store, Device(7));
        entry = Answer(*store, Device(6));
        sent.mac = MacText(6);
        sent.record = Device(6, "Rack-66", "192.168.1.66");
        sent.rows = {PagedRow::ServerName, PagedRow::IpAddress};
        store->DeviceTable[static_cast<size_t>(entry)].Record = sent.record;
    }
};

}  // namespace

TEST(ConfigureWatch, APlanIsAnsweredByPages0And1OfEveryMac) {
    struct Case {
        const char* name;
        std::vector<int> pages;  // of device 6; device 7 answers whole
        bool answered;
    };
    const Case cases[] = {
        {"every page", {0, 1, 2}, true},
        {"pages 0 and 1", {0, 1}, true},
        {"page 0 only", {0, 2}, false},
        {"page 1 only", {1, 2}, false},
        {"not at all", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        Answer(*store, Device(7));
        Answer(*store, Device(6), c.pages);
        EXPECT_EQ(PlanAnswered(*store, {MacText(7), MacText(6)}), c.answered);
        EXPECT_TRUE(PlanAnswered(*store, {MacText(7)}));
    }
    auto store = std::make_unique<DeviceStore>();
    ReplyIntake(*store, RecordBuilder::Short(Mac(9)).Reply());
    EXPECT_TRUE(PlanAnswered(*store, {MacText(9)})) << "a short reply is all a short device brings";
    EXPECT_TRUE(PlanAnswered(*store, {})) << "an empty plan";
}

TEST(ConfigureWatch, TheFirstSearchEndsAQuietSecondAfterThePlanIsAnswered) {
    auto store = std::make_unique<DeviceStore>();
    PlanSearchWatch watch({MacText(6)});
    EXPECT_DOUBLE_EQ(watch.Start(10).wakeAt, 11);
    Answer(*store, Device(6), {0});
    EXPECT_DOUBLE_EQ(watch.Arrived(10.2).wakeAt, 11) << "the moment to ask again comes first";
    // Page 1 is missing a second after the request: the plan is asked again,
    // and again a second later, however late the timer fired.
    WatchStep s = watch.Timer(*store, 11.2);
    EXPECT_FALSE(s.end);
    EXPECT_TRUE(s.probe);
    EXPECT_DOUBLE_EQ(s.wakeAt, 12);
    Answer(*store, Device(6), {1});
    EXPECT_DOUBLE_EQ(watch.Arrived(11.5).wakeAt, 12);
    // Answered now: no more asking, and a timer that fires early asks for
    // the rest of the quiet second.
    s = watch.Timer(*store, 12);
    EXPECT_FALSE(s.end);
    EXPECT_FALSE(s.probe);
    EXPECT_DOUBLE_EQ(s.wakeAt, 12.5);
    EXPECT_TRUE(watch.Timer(*store, 12.5).end);
}

// On a LAN that loses nothing the plan answers at once and the search asks
// once, as before; each second a device still lacks something, it asks again.
TEST(ConfigureWatch, TheFirstSearchAsksAgainOnlyWhileThePlanLacksSomething) {
    struct Case {
        const char* name;
        std::vector<std::pair<double, std::vector<int>>> answers;  // time, pages of device 6
        std::vector<double> asks;                                  // when it asks again
        double end;
    };
    const Case cases[] = {
        {"whole at once", {{0.01, {0, 1, 2}}}, {}, 1.01},
        {"page 1 lost once", {{0.01, {0, 2}}, {1.02, {0, 1, 2}}}, {1}, 2.02},
        {"lost twice", {{0.01, {0}}, {1.02, {0, 2}}, {2.02, {0, 1, 2}}}, {1, 2}, 3.02},
        {"nothing until the third request", {{2.01, {0, 1, 2}}}, {1, 2}, 3.01},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = std::make_unique<DeviceStore>();
        PlanSearchWatch watch({MacText(6)});
        std::vector<double> asks;
        double wake = watch.Start(0).wakeAt, end = -1;
        size_t next = 0;
        for (int guard = 0; guard < 100 && end < 0; ++guard) {
            if (next < c.answers.size() && c.answers[next].first < wake) {
                Answer(*store, Device(6), c.answers[next].second);
                const WatchStep s = watch.Arrived(c.answers[next++].first);
                if (s.wakeAt >= 0) wake = s.wakeAt;
                continue;
            }
            const WatchStep s = watch.Timer(*store, wake);
            if (s.probe) asks.push_back(wake);
            if (s.end) end = wake;
            if (s.wakeAt >= 0) wake = s.wakeAt;
        }
        EXPECT_EQ(asks, c.asks);
        EXPECT_NEAR(end, c.end, 1e-9);
    }
}

TEST(ConfigureWatch, ProbesOnceASecondUntilTheDeadline) {
    Written w;
    ReturnWatch watch(2.5);
    watch.Add(w.entry, w.sent, "");
    WatchStep s = watch.Start(*w.store, 100);
    EXPECT_FALSE(s.probe) << "not before the devices have taken their resets";
    EXPECT_FALSE(s.end);
    EXPECT_DOUBLE_EQ(s.wakeAt, 101);
    // A late timer does not send two probes to catch up.
    s = watch.Timer(101.4);
    EXPECT_TRUE(s.probe);
    EXPECT_DOUBLE_EQ(s.wakeAt, 102);
    s = watch.Timer(101.7);
    EXPECT_FALSE(s.probe);
    EXPECT_DOUBLE_EQ(s.wakeAt, 102);
    s = watch.Timer(102);
    EXPECT_TRUE(s.probe);
    EXPECT_DOUBLE_EQ(s.wakeAt, 102.5);
    s = watch.Timer(102.5);
    EXPECT_TRUE(s.end);
    EXPECT_FALSE(s.probe);
}

TEST(ConfigureWatch, ADeviceCountsOnlyByWhatItSentAfterTheWrite) {
    const DeviceRecord before = Device(6);
    struct Case {
        const char* name;
        std::vector<std::pair<DeviceRecord, std::vector<int>>> answers;  // after the write, one per probe
        bool verifiedAtOnce;
        std::string reason, ip;
    };
    Written w;
    const Case cases[] = {
        {"back with the plan", {{w.sent.record, {0, 1, 2}}}, true, "", "192.168.1.66"},
        {"old values, then the plan", {{before, {0, 1, 2}}, {w.sent.record, {0, 1, 2}}}, true, "", "192.168.1.66"},
        {"ignores its reset", {{before, {0, 1, 2}}, {before, {0, 1, 2}}}, false,
         "Device kept other values: Server name, IP address", "192.168.1.10"},
        // The entry still holds page 0 as the write sent it: that is no answer.
        {"loses page 0 after its restart", {{w.sent.record, {1, 2}}}, false,
         "page 0 of this device was not received after the update", ""},
        {"never back", {}, false, "Not found after the update: " + MacText(6), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Written x;
        ReturnWatch watch(16);
        watch.Add(x.entry, x.sent, "");
        EXPECT_FALSE(watch.Start(*x.store, 0).end);
        EXPECT_EQ(watch.Waiting(), 1u);
        bool settles = false;
        for (const auto& [record, pages] : c.answers) {
            Answer(*x.store, Device(7));
            EXPECT_FALSE(watch.Arrived(*x.store, 1, false, 5).end) << "another device's answer";
            ++x.store->SearchRound;
            for (int p : pages) {
                const IntakeResult r = ReplyIntake(*x.store, PageBytes(record, p));
                const WatchStep step = watch.Arrived(*x.store, r.entry, false, 5);
                EXPECT_FALSE(step.end) << "a quiet second follows the last verification";
                settles = settles || step.wakeAt == 5 + kQuietSeconds;
            }
        }
        EXPECT_EQ(settles, c.verifiedAtOnce);
        EXPECT_EQ(watch.Waiting(), c.verifiedAtOnce ? 0u : 1u);
        EXPECT_FALSE(x.store->DeviceTable[static_cast<size_t>(x.entry)].SharedMac) << "answers to two probes differ";
        const Verification v = watch.Verdict(x.entry, *x.store);
        EXPECT_EQ(v.verified, c.verifiedAtOnce);
        EXPECT_EQ(v.reason, c.reason);
        EXPECT_EQ(v.ip, c.ip);
    }
}

TEST(ConfigureWatch, AModuleDeviceCountsByTheModuleRecordItSentAfterTheWrite) {
    Written w;
    ModuleReplyIntake(*w.store, ModuleAnswer(Mac(6)));
    SentUpdate sent = w.sent;
    sent.rows = {PagedRow::ServerName};
    sent.module = ModuleAnswer(Mac(6));
    (*sent.module)[ModuleFieldOfRow(PagedRow::ServerName)->offset] = 'Z';
    Bytes back = *sent.module;
    back[0] = kModuleAnswerMark;
    ReturnWatch watch(16);
    watch.Add(w.entry, sent, "");
    EXPECT_TRUE(watch.Modules());
    watch.Start(*w.store, 0);
    // Its module record from the first search no longer counts.
    EXPECT_EQ(watch.Verdict(w.entry, *w.store).reason, "Not found after the update: " + MacText(6));
    Answer(*w.store, Device(6));
    EXPECT_LT(watch.Arrived(*w.store, w.entry, false, 2).wakeAt, 0);
    EXPECT_EQ(watch.Verdict(w.entry, *w.store).reason, "No module record after the update: " + MacText(6));
    ModuleReplyIntake(*w.store, back);
    EXPECT_DOUBLE_EQ(watch.Arrived(*w.store, w.entry, true, 2).wakeAt, 2 + kQuietSeconds);
    EXPECT_TRUE(watch.Timer(2 + kQuietSeconds).end);
    EXPECT_TRUE(watch.Verdict(w.entry, *w.store).verified);
}

TEST(ConfigureWatch, AWriteThatDidNotLeaveIsNotWaitedFor) {
    Written w;
    ReturnWatch watch(16);
    watch.Add(w.entry, w.sent, "datagram 1 did not leave");
    EXPECT_EQ(watch.Count(), 1u);
    EXPECT_EQ(watch.Waiting(), 0u);
    EXPECT_TRUE(watch.Start(*w.store, 0).end);
    EXPECT_EQ(watch.Verdict(w.entry, *w.store).reason, "the write could not be sent: datagram 1 did not leave");
}

TEST(ConfigureWatch, TheCountdownIsWhatFollowsTheLastRequest) {
    const std::vector<WriteStep> steps = BatchUpdateSteps({{3, false}, {4, true}});
    const std::vector<WriteStep> writes = WithoutCountdown(steps);
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().kind, WriteStep::Send);
    EXPECT_DOUBLE_EQ(WaitedSeconds(writes) + CountdownSeconds(steps), WaitedSeconds(steps));
    EXPECT_GT(CountdownSeconds(steps), 10);
}

// A verification stands only if nothing contradicts it in the quiet second
// after it: a second device answering the same probe with the MAC, or the
// device answering again with other values.
TEST(ConfigureWatch, ALateAnswerThatContradictsTheVerificationIsJudgedAgain) {
    const DeviceRecord before = Device(6);
    struct Case {
        const char* name;
        std::optional<DeviceRecord> late;  // what arrives in the quiet second
        bool newProbe;                     // as the answer to a later request
        bool verified;
        std::string reason;
    };
    Written w;
    const Case cases[] = {
        {"nothing more", std::nullopt, false, true, ""},
        {"the same again", w.sent.record, true, true, ""},
        {"a twin with the old values, to the same probe", before, false, false, "two devices answer with MAC " + MacText(6)},
        {"other values to a later probe", before, true, false, "Device kept other values: Server name, IP address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Written x;
        ReturnWatch watch(16);
        watch.Add(x.entry, x.sent, "");
        watch.Start(*x.store, 0);
        ++x.store->SearchRound;
        std::vector<double> wakes;
        for (int p : {0, 1, 2}) {
            const WatchStep step = watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(x.sent.record, p)).entry, false, 3);
            EXPECT_FALSE(step.end);
            if (step.wakeAt >= 0) wakes.push_back(step.wakeAt);
        }
        EXPECT_EQ(wakes, std::vector<double>{3 + kQuietSeconds}) << "one quiet second, from the verification";
        EXPECT_FALSE(watch.Timer(3.5).end) << "the quiet second is not over";
        if (c.late) {
            if (c.newProbe) ++x.store->SearchRound;
            for (int p : {0, 1, 2}) {
                const WatchStep late = watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(*c.late, p)).entry, false, 3.6);
                EXPECT_FALSE(late.end);
                EXPECT_LT(late.wakeAt, 0) << "the quiet second is not moved";
            }
        }
        EXPECT_TRUE(watch.Timer(3 + kQuietSeconds).end);
        const Verification v = watch.Verdict(x.entry, *x.store);
        EXPECT_EQ(v.verified, c.verified);
        EXPECT_EQ(v.reason, c.reason);
    }
}

// On a lossy LAN a clear, a write or a reset may be lost: a device that
// answers with the very bytes it held before, once it should have restarted,
// is written again, at most twice more, each attempt with its own deadline.
TEST(ConfigureWatch, WhenADeviceIsWrittenAgain) {
    const DeviceRecord before = Device(6);
    const Bytes page0 = PageBytes(before, 0);
    struct Answer1 {
        double at;
        std::optional<DeviceRecord> record;  // none: silent
        bool twin = false;                   // a second device answers too, with other bytes
    };
    struct Case {
        const char* name;
        std::vector<Answer1> answers;  // one per probe, in turn
        std::vector<double> rewrites;  // when it is written again
        int attempts;
        bool verified;
    };
    Written w;
    const Case cases[] = {
        {"old bytes after two seconds", {{2, before}, {3, w.sent.record}}, {2}, 2, true},
        {"old bytes too soon: not yet restarted", {{1, before}, {2.5, w.sent.record}}, {}, 1, true},
        {"other bytes than before and than written", {{2, Device(6, "Someone")}, {3, Device(6, "Someone")}}, {}, 1, false},
        {"silent", {{2, std::nullopt}, {3, std::nullopt}}, {}, 1, false},
        {"a shared MAC", {{2, before, true}}, {}, 1, false},
        {"attempts used up", {{2, before}, {5, before}, {8, before}, {11, before}}, {2, 5}, 3, false},
        {"old bytes too soon after its second attempt", {{2, before}, {4, before}}, {2}, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Written x;
        ReturnWatch watch(16.7);
        watch.Add(x.entry, x.sent, "", page0);
        watch.Start(*x.store, 0);
        std::vector<double> rewrites;
        for (const Answer1& a : c.answers) {
            ++x.store->SearchRound;
            if (!a.record) continue;
            for (int p : {0, 1, 2}) {
                if (a.twin) watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(Device(6, "Twin"), p)).entry, false, a.at);
                const WatchStep step = watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(*a.record, p)).entry, false, a.at);
                for (long e : step.rewrite) {
                    EXPECT_EQ(e, x.entry);
                    rewrites.push_back(a.at);
                    EXPECT_FALSE(watch.Timer(a.at + 30).end) << "a device being written again is waited for";
                    watch.Rewritten(*x.store, e, a.at + 0.5);
                }
            }
        }
        EXPECT_EQ(rewrites, c.rewrites);
        EXPECT_EQ(watch.Attempts(x.entry), c.attempts);
        EXPECT_EQ(watch.Verdict(x.entry, *x.store).verified, c.verified);
    }
}

// Each attempt has a deadline of its own: the countdown and a search after
// its last request.
TEST(ConfigureWatch, AnAttemptHasADeadlineOfItsOwn) {
    Written x;
    ReturnWatch watch(16.7);
    watch.Add(x.entry, x.sent, "", PageBytes(Device(6), 0));
    watch.Start(*x.store, 0);
    ++x.store->SearchRound;
    WatchStep step;
    for (int p : {0, 1, 2}) {
        const WatchStep s = watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(Device(6), p)).entry, false, 3);
        step.rewrite.insert(step.rewrite.end(), s.rewrite.begin(), s.rewrite.end());
    }
    ASSERT_EQ(step.rewrite, std::vector<long>{x.entry});
    EXPECT_LE(watch.Rewritten(*x.store, x.entry, 3.1).wakeAt, 3.1) << "the next probe is due";
    EXPECT_FALSE(watch.Timer(16.7).end) << "the first deadline no longer holds";
    EXPECT_FALSE(watch.Timer(19.7).end);
    EXPECT_TRUE(watch.Timer(3.1 + 16.7).end);
    EXPECT_EQ(watch.Verdict(x.entry, *x.store).reason, "Not found after the update: " + MacText(6));
}

// A device asked to be written again is checked once more just before it is
// written: what it answered meanwhile counts. And a write that leaves page 0
// as it was cannot be told from one not taken by page 0: never written again.
TEST(ConfigureWatch, AWriteAgainIsCheckedJustBeforeItGoes) {
    const DeviceRecord before = Device(6);
    struct Case {
        const char* name;
        std::optional<DeviceRecord> meanwhile;  // what arrives before it is written
        bool twin;                              // a second device answers the same probe
        bool still;
        bool verified;
    };
    Written w;
    const Case cases[] = {
        {"nothing meanwhile", std::nullopt, false, true, false},
        {"the old bytes again", before, false, true, false},
        {"what was written", w.sent.record, false, false, true},
        {"other bytes", Device(6, "Someone"), false, false, false},
        {"its MAC shared", std::nullopt, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Written x;
        ReturnWatch watch(16.7);
        watch.Add(x.entry, x.sent, "", PageBytes(before, 0));
        watch.Start(*x.store, 0);
        ++x.store->SearchRound;
        std::vector<long> rewrite;
        for (int p : {0, 1, 2}) {
            const WatchStep s = watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(before, p)).entry, false, 3);
            rewrite.insert(rewrite.end(), s.rewrite.begin(), s.rewrite.end());
        }
        ASSERT_EQ(rewrite, std::vector<long>{x.entry});
        if (c.twin)
            for (int p : {0, 1, 2}) ReplyIntake(*x.store, PageBytes(Device(6, "Twin"), p));
        if (c.meanwhile) {
            ++x.store->SearchRound;
            for (int p : {0, 1, 2})
                EXPECT_TRUE(watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(*c.meanwhile, p)).entry, false, 3.5)
                                .rewrite.empty());
        }
        EXPECT_EQ(watch.StillToWrite(*x.store, x.entry), c.still);
        EXPECT_EQ(watch.Verified(x.entry), c.verified);
    }

    // A restore that changes page 1 alone: its page 0 as before is no sign.
    Written x;
    SentUpdate sent = x.sent;
    sent.record = before;
    sent.record[kPages[1].recordOffset + kPageHeaderSize] ^= 0x5A;
    ReturnWatch watch(16.7);
    watch.Add(x.entry, sent, "", PageBytes(before, 0));
    watch.Start(*x.store, 0);
    ++x.store->SearchRound;
    for (int p : {0, 1, 2})
        EXPECT_TRUE(watch.Arrived(*x.store, ReplyIntake(*x.store, PageBytes(before, p)).entry, false, 3).rewrite.empty());
    EXPECT_EQ(watch.Attempts(x.entry), 1);
}
