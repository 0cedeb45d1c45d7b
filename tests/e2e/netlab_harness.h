// Helpers for tests that run inside the "pc" namespace of scripts/netlab:
// a simulator process in the "lan" namespace and a plain UDP client.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/request_packets.h"

extern char** environ;

namespace cobalin::e2e {

// A path in the temporary folder that is this test process's own: two runs
// of the suite at once (two checkouts, say) never share a capture log.
inline std::string TempPath(const std::string& name) {
    return "/tmp/" + std::to_string(getpid()) + "-" + name;
}

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// A child process with its standard output and error on pipes of their own;
// pid -1 when it could not start. The read ends are closed on exec, so no
// later child holds them open.
struct PipedChild {
    pid_t pid = -1;
    int out = -1, err = -1;
};

inline PipedChild SpawnPiped(std::vector<std::string> args) {
    PipedChild child;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return child;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    child.out = out[0];
    child.err = err[0];
    return child;
}

// The simulator, started through `netlab exec lan` (or another LAN
// namespace: "lan2" of a netlab with a second LAN), stopped with SIGTERM.
class SimProcess {
public:
    SimProcess(const std::string& lanFile, std::vector<std::string> extra = {}, const std::string& lan = "lan") {
        std::vector<std::string> args = {Env("COBALIN_NETLAB"), "exec", lan, Env("COBALIN_DEVSIM"), lanFile, "--iface", "lan0"};
        args.insert(args.end(), extra.begin(), extra.end());
        const PipedChild child = SpawnPiped(std::move(args));
        pid_ = child.pid;
        out_ = child.out;
        err_ = child.err;
        ready_ = ReadUntil(out_, "ready", 10000);
    }
    ~SimProcess() { Stop(); }
    bool ready() const { return ready_; }

    // Stops the simulator; its exit status.
    int Stop() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (out_ >= 0) close(out_), out_ = -1;
        if (err_ >= 0) {
            ReadUntil(err_, "\x01", 200);
            close(err_), err_ = -1;
        }
        return status_;
    }
    // Waits for the simulator to end on its own.
    int Wait() {
        int status = 0;
        if (pid_ > 0) waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ReadUntil(err_, "\x01", 500);
        return status_;
    }
    const std::string& errors() const { return errText_; }

private:
    bool ReadUntil(int fd, const char* word, int ms) {
        std::string& text = fd == err_ ? errText_ : outText_;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        char buf[4096];
        while (text.find(word) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
            const ssize_t n = read(fd, buf, sizeof buf);
            if (n <= 0) return false;
            text.append(buf, static_cast<size_t>(n));
        }
        return true;
    }
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    bool ready_ = false;
    int status_ = -1;
    std::string outText_, errText_;
};

struct Received {
    std::string from;  // "192.168.1.11"
    uint16_t fromPort;
    Bytes data;
};

class UdpClient {
public:
    explicit UdpClient(uint16_t localPort) {
        fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        const int buffer = 8 << 20;
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(localPort);
        bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~UdpClient() { close(fd_); }
    bool bound() const { return bound_; }

    void Send(const char* host, uint16_t port, const Bytes& data) {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        inet_pton(AF_INET, host, &to.sin_addr);
        sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // Everything that arrives within the time.
    std::vector<Received> Collect(double seconds) {
        return CollectUntil([](const std::vector<Received>&) { return false; }, seconds);
    }

    // What arrives until done() holds for it, or at most for the time: a
    // bound generous enough for a loaded machine costs nothing when done()
    // holds early.
    std::vector<Received> CollectUntil(const std::function<bool(const std::vector<Received>&)>& done, double seconds) {
        std::vector<Received> got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        std::vector<uint8_t> buf(65536);
        while (!done(got)) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            if (left <= 0) return got;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(fd_, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) continue;
            char host[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
            got.push_back({host, ntohs(from.sin_port), Bytes(buf.begin(), buf.begin() + n)});
        }
        return got;
    }

    // At least `count` datagrams (waiting for them at most `seconds`), then
    // whatever more comes within `linger`, so that one too many shows: a
    // wait for what must not come can only miss it, never fail a sound run.
    std::vector<Received> CollectAtLeast(size_t count, double seconds = 10, double linger = 0.25) {
        auto got = CollectUntil([count](const std::vector<Received>& g) { return g.size() >= count; }, seconds);
        for (auto& r : Collect(linger)) got.push_back(std::move(r));
        return got;
    }

private:
    int fd_ = -1;
    bool bound_ = false;
};

}  // namespace cobalin::e2e

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace cobalin::e2e {

// The program under the UI driver, in the namespace this test runs in.
class DriveProcess {
public:
    // prefix: a command the program runs under (found on PATH), such as
    // setpriv dropping a capability. environment: NAME=VALUE entries beside
    // or instead of the program's usual ones (another QT_QPA_PLATFORM).
    DriveProcess(const std::string& home, double timeScale = 0.05, std::vector<std::string> prefix = {},
                 const std::vector<std::string>& environment = {}) {
        std::vector<std::string> args = std::move(prefix);
        for (const std::string& a : {Env("COBALIN_BIN"), std::string("--drive"), std::string("--home"), home}) args.push_back(a);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "COBALIN_TIME_SCALE=" + std::to_string(timeScale),
                                        "PATH=" + Env("PATH"), "HOME=" + Env("HOME")};
        for (const std::string& entry : environment) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            std::erase_if(env, [&name](const std::string& e) { return e.starts_with(name); });
            env.push_back(entry);
        }
        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~DriveProcess() {
        if (in_ >= 0) close(in_);
        if (pid_ > 0) {
            // End of input means quit; give it a moment, then make sure.
            for (int i = 0; i < 50 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) usleep(20000);
            if (waitpid(pid_, nullptr, WNOHANG) == 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
            }
        }
        if (out_ >= 0) close(out_);
    }

    // One command, its answer (an empty object when none came in time).
    QJsonObject Do(const std::string& command, int timeoutMs = 60000) {
        const std::string line = command + "\n";
        if (write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) return {};
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                const std::string answer = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return QJsonDocument::fromJson(QByteArray::fromStdString(answer)).object();
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
            pollfd p{out_, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return {};
            char buf[65536];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return {};
            buffer_.append(buf, static_cast<size_t>(n));
        }
    }
    QJsonValue Get(const std::string& name, const std::string& prop) { return Do("get " + name + " " + prop).value("value"); }
    std::string Text(const std::string& name) { return Get(name, "text").toString().toStdString(); }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::string buffer_;
};

// A file in this process's temporary folder; its path.
inline std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = TempPath(name);
    std::ofstream(path) << text;
    return path;
}

// A fresh program folder holding only the given settings file.
inline std::string Home(const std::string& name, const std::string& settings) {
    const std::string dir = TempPath("cobalin-e2e-home-" + name);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir + "/Setting.ini") << settings;
    return dir;
}

// A folder for screenshots beside the program in the build folder, made if
// it is missing; its path.
inline std::string ShotDir(const std::string& folder) {
    const auto dir = std::filesystem::path(Env("COBALIN_BIN")).parent_path() / folder;
    std::filesystem::create_directories(dir);
    return dir.string();
}

// A JSON array of texts, as the driver answers "items".
inline std::vector<std::string> Strings(const QJsonValue& v) {
    std::vector<std::string> out;
    for (const auto& x : v.toArray()) out.push_back(x.toString().toStdString());
    return out;
}

}  // namespace cobalin::e2e
