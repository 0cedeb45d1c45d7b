// The stop signals of `cobalin configure`: counted while the command runs,
// except one the process was started with ignored (as `nohup` starts it
// with SIGHUP ignored), and left as they were found when it ends.
#include "app/stop_signals.h"

#include <csignal>
#include <gtest/gtest.h>

using namespace cobalin;

namespace {

volatile sig_atomic_t ownHandlerCalls = 0;
void OwnHandler(int) { ownHandlerCalls = ownHandlerCalls + 1; }

using Handler = void (*)(int);

Handler ActionOf(int signal) {
    struct sigaction now{};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

void SetAction(int signal, Handler handler) {
    struct sigaction action{};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

TEST(StopSignals, AnIgnoredSignalStaysIgnoredAndTheEndRestoresWhatWasFound) {
    struct Case {
        const char* found;
        Handler action;
        int counted;  // by StopSignals, for one signal raised while it lives
    };
    const Case cases[] = {{"ignored", SIG_IGN, 0}, {"the default", SIG_DFL, 1}, {"a handler of its own", OwnHandler, 1}};
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const Handler before = ActionOf(signal);
        for (const Case& c : cases) {
            SetAction(signal, c.action);
            ownHandlerCalls = 0;
            {
                StopSignals stops;
                raise(signal);
                EXPECT_EQ(stops.count(), c.counted) << signal << " found " << c.found;
            }
            EXPECT_EQ(ActionOf(signal), c.action) << signal << " found " << c.found;
            EXPECT_EQ(ownHandlerCalls, 0) << "StopSignals counts the signal in place of the handler it found";
        }
        SetAction(signal, before);
    }
}
