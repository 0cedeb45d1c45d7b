// The simulator and the probe when a system call fails: a clear message on
// standard error and a non-zero exit, never silence or a spinning process.
// Runs in the PC namespace of the virtual LAN; the conditions are real ones
// (a descriptor limit, a removed address, a route that rejects).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include <net/if.h>

#include "netlab_harness.h"

using namespace cobalin::e2e;

namespace {

std::string Probe() { return (std::filesystem::path(Env("COBALIN_DEVSIM")).parent_path() / "cobalin-probe").string(); }

std::string WriteLan(const std::string& name, const std::string& text) {
    const std::string path = (std::filesystem::temp_directory_path() / ("cobalin-e2e-fail-" + name + ".conf")).string();
    std::ofstream(path) << text;
    return path;
}

// Under the sanitizers the runtime itself needs descriptors at moments of its
// own (a check of memory goes through a pipe, the leak check reads /proc), so
// the descriptor-limit cases only hold for the plain build.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// The command with at most `limit` open descriptors: only 0, 1 and 2 are
// open when it starts, so its next descriptors are numbered from 3.
std::vector<std::string> WithDescriptorLimit(int limit, std::vector<std::string> command) {
    std::vector<std::string> args = {"sh", "-c",
                                      "exec 3<&- 4<&- 5<&- 6<&- 7<&- 8<&- 9<&-; ulimit -n " + std::to_string(limit) +
                                          " && exec \"$0\" \"$@\""};
    args.insert(args.end(), command.begin(), command.end());
    return args;
}

std::vector<std::string> InLan(std::vector<std::string> command) {
    command.insert(command.begin(), {Env("COBALIN_NETLAB"), "exec", "lan"});
    return command;
}

// A process whose standard output and error are kept whole.
class Process {
public:
    explicit Process(std::vector<std::string> args) {
        const PipedChild child = SpawnPiped(std::move(args));
        pid_ = child.pid;
        out_ = child.out;
        err_ = child.err;
    }
    ~Process() { Finish(0); }

    // Reads until the standard output holds the word; false when the process
    // ended or the time ran out first.
    bool WaitForOutput(const std::string& word, int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (outText_.find(word) == std::string::npos)
            if (!ReadSome(end)) return false;
        return true;
    }
    // Waits for the end: the exit status, or -1 when the process had to be
    // killed after the time.
    int Finish(int ms) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (ReadSome(end)) {
        }
        if (pid_ > 0) {
            int status = 0;
            if (out_ >= 0 || err_ >= 0) kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            pid_ = -1;
            status_ = WIFEXITED(status) && out_ < 0 && err_ < 0 ? WEXITSTATUS(status) : -1;
        }
        for (int* fd : {&out_, &err_})
            if (*fd >= 0) close(*fd), *fd = -1;
        return status_;
    }
    const std::string& err() const { return errText_; }

private:
    // False once both streams ended or the time is up.
    bool ReadSome(std::chrono::steady_clock::time_point end) {
        if (out_ < 0 && err_ < 0) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left)) <= 0) return true;
        for (pollfd& p : fds) {
            if (!p.revents) continue;
            char buf[4096];
            const ssize_t n = read(p.fd, buf, sizeof buf);
            std::string& text = p.fd == out_ ? outText_ : errText_;
            if (n > 0) {
                text.append(buf, static_cast<size_t>(n));
            } else {
                close(p.fd);
                (p.fd == out_ ? out_ : err_) = -1;
            }
        }
        return true;
    }
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1, status_ = -1;
    std::string outText_, errText_;
};

// These tests change routes and addresses: only ever in the virtual LAN's PC
// namespace (tests/e2e/run-in-netlab), never in the host's.
bool InsideNetlab() { return !Env("NETLAB_ID").empty() && !Env("COBALIN_NETLAB").empty() && if_nametoindex("pc0") != 0; }

const char kOneDevice[] = "[device]\nmac=02:00:00:00:09:01\nip=192.168.1.90\n";

}  // namespace

// Failures found before any request arrives.
TEST(SimulatorFailuresE2E, ClearMessagesAndExitCodes) {
    ASSERT_TRUE(InsideNetlab()) << "run through tests/e2e/run-in-netlab";
    // A route that rejects what is sent to it: nothing leaves the namespace.
    ASSERT_EQ(std::system("ip route replace unreachable 10.9.9.0/24"), 0);
    const std::string lan = WriteLan("one", kOneDevice);
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int status;
        std::string said;
        bool limitsDescriptors = false;
    };
    const Case cases[] = {
        {"probe, a word for the address", {Probe(), "search"}, 2, "cobalin-probe: 'search' is not an IPv4 address\n"},
        {"probe, a word for the time", {Probe(), "192.168.1.255", "soon"}, 2, "cobalin-probe: 'soon' is not a number of seconds\n"},
        // The loader needs a descriptor while it maps the libraries: the
        // first socket gets it, the module query's second socket finds none.
        {"probe, no descriptor left for a socket", WithDescriptorLimit(4, {Probe(), "192.168.1.255", "0.1"}), 3,
         "cobalin-probe: cannot open a UDP socket: Too many open files\n", true},
        {"probe, no route", {Probe(), "10.9.9.9", "0.1"}, 3,
         "cobalin-probe: cannot send the search to 10.9.9.9:8888: No route to host\n"},
        {"simulator, no such interface", InLan({Env("COBALIN_DEVSIM"), lan, "--iface", "nosuch0"}), 2,
         "cobalin-devsim: no network interface named nosuch0\n"},
        // 0-2 and the description file (the loader's descriptor is free again
        // by then): none is left for the first socket.
        {"simulator, no descriptor left for a socket", InLan(WithDescriptorLimit(4, {Env("COBALIN_DEVSIM"), lan})), 3,
         "cobalin-devsim: cannot open a UDP socket for port 8888: Too many open files\n", true},
    };
    for (const Case& c : cases) {
        if (c.limitsDescriptors && kSanitized) continue;
        Process p(c.args);
        EXPECT_EQ(p.Finish(5000), c.status) << c.what << "\n" << p.err();
        EXPECT_NE(p.err().find(c.said), std::string::npos) << c.what << "\n" << p.err();
    }
    std::system("ip route del unreachable 10.9.9.0/24");
}

// Out of descriptors, a connection cannot be accepted; the listener stays
// ready, so retrying would spin. The simulator stops and says why.
TEST(SimulatorFailuresE2E, AConnectionThatCannotBeAcceptedStopsTheSimulator) {
    ASSERT_TRUE(InsideNetlab()) << "run through tests/e2e/run-in-netlab";
    if (kSanitized) GTEST_SKIP() << "a descriptor limit under the sanitizers fails in their runtime first";
    ASSERT_EQ(std::system((Env("COBALIN_NETLAB") + " exec lan ip addr replace 192.168.1.90/24 dev lan0").c_str()), 0);
    // 0-2, the description file, three UDP sockets and the listener: 8.
    Process sim(InLan(WithDescriptorLimit(8, {Env("COBALIN_DEVSIM"), WriteLan("one", kOneDevice)})));
    ASSERT_TRUE(sim.WaitForOutput("ready", 10000)) << sim.err();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(5300);
    inet_pton(AF_INET, "192.168.1.90", &to.sin_addr);
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0) << std::strerror(errno);
    EXPECT_EQ(sim.Finish(5000), 4) << sim.err();
    EXPECT_NE(sim.err().find("cobalin-devsim: cannot accept a TCP connection: Too many open files\n"), std::string::npos)
        << sim.err();
    close(fd);
}

// A device whose address is gone cannot answer; every later reply from it
// would fail the same way, so the first failure stops the simulator with
// the reason instead of leaving the program under test without answers.
TEST(SimulatorFailuresE2E, ASendThatKeepsFailingStopsTheSimulator) {
    ASSERT_TRUE(InsideNetlab()) << "run through tests/e2e/run-in-netlab";
    Process sim(InLan({Env("COBALIN_DEVSIM"),
                       WriteLan("two", "[device]\nmac=02:00:00:00:09:07\nip=192.168.1.77\n"
                                       "[device]\nmac=02:00:00:00:09:08\nip=192.168.1.78\n"),
                       "--iface", "lan0"}));
    ASSERT_TRUE(sim.WaitForOutput("ready", 10000)) << sim.err();
    ASSERT_EQ(std::system((Env("COBALIN_NETLAB") + " exec lan ip addr del 192.168.1.78/24 dev lan0").c_str()), 0);
    UdpClient client(8889);
    ASSERT_TRUE(client.bound());
    client.Send("255.255.255.255", 8888, cobalin::BuildSearchRequest(cobalin::SearchNetwork, 8888));
    std::map<std::string, int> replies;
    for (const Received& r : client.CollectAtLeast(3)) ++replies[r.from];
    EXPECT_EQ(replies, (std::map<std::string, int>{{"192.168.1.77", 3}})) << "the first device still answers whole";
    EXPECT_EQ(sim.Finish(5000), 4) << sim.err();
    // The reason depends on the kernel (EINVAL or ENETUNREACH for a source address that is not local).
    EXPECT_NE(sim.err().find("cobalin-devsim: cannot send from 192.168.1.78 to 192.168.1.250:8889: "), std::string::npos)
        << sim.err();
}
