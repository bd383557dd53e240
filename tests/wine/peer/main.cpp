// korvex-wine-peer: the Linux end of a serial line whose other end is a Windows program under Wine.
//
//   korvex-wine-peer [--link PATH] [--port N] ROLE [ROLE ARGS] -- COMMAND [ARGS...]
//
// Makes a pseudo-terminal, points PATH (default: $KORVEX_WINE_COM_LINK, the file that Wine's COMn
// leads to) at its slave, runs COMMAND with KORVEX_TEST_PORT=N (default 1) in its environment and
// plays ROLE on the master until COMMAND ends:
//
//   exchange   reads the Windows side's LineStreams exchange bytes and checks them, and writes its own
//              from the first received byte on; the last one only once everything was received, so
//              the Windows side knows its own bytes are through when it has all of the peer's. Checks
//              on that first byte that the port's line settings are 57600 8N1, raw.
//   flood      writes bytes as fast as the line takes them.
//   hangup     answers the first line with LineStreams' hang-up answer and closes the line at the
//              second.
//   sim PROGRAM [ARGS...]
//              runs korvex-sim (PROGRAM) with --link PATH and ARGS instead of a pseudo-terminal of
//              its own, and stops it afterwards.
//
// Exit status: COMMAND's when it failed, else 1 when the role failed, else 0.

#include "../LineStreams.h"
#include "PtyBaud.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stop = 0;

void onStopSignal(int) {
    g_stop = 1;
}

int fail(const std::string &message) {
    std::fprintf(stderr, "korvex-wine-peer: %s\n", message.c_str());
    return 1;
}

struct Options {
    std::string link;
    std::string port = "1";
    std::string role;
    std::vector<std::string> roleArgs;
    std::vector<std::string> command;
};

bool parse(int argc, char **argv, Options &options, std::string &error) {
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--link" && i + 1 < argc) {
            options.link = argv[++i];
        } else if (arg == "--port" && i + 1 < argc) {
            options.port = argv[++i];
        } else {
            break;
        }
    }
    if (i >= argc) {
        error = "no role given";
        return false;
    }
    options.role = argv[i++];
    for (; i < argc && std::string(argv[i]) != "--"; ++i)
        options.roleArgs.push_back(argv[i]);
    for (++i; i < argc; ++i)
        options.command.push_back(argv[i]);
    if (options.command.empty()) {
        error = "no command after --";
        return false;
    }
    if (options.link.empty()) {
        const char *link = std::getenv("KORVEX_WINE_COM_LINK");
        options.link = link ? link : "";
    }
    if (options.link.empty()) {
        error = "no --link and no KORVEX_WINE_COM_LINK";
        return false;
    }
    return true;
}

// Points the link at target, replacing an earlier link but nothing else.
bool makeLink(const std::string &link, const std::string &target, std::string &error) {
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symbolic link";
            return false;
        }
        ::unlink(link.c_str());
    }
    if (::symlink(target.c_str(), link.c_str()) != 0) {
        error = "cannot link " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

pid_t spawn(const std::vector<std::string> &command, const std::string &port, int stdoutPipe = -1) {
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::setenv("KORVEX_TEST_PORT", port.c_str(), 1);
    if (stdoutPipe >= 0)
        ::dup2(stdoutPipe, STDOUT_FILENO);
    std::vector<char *> argv;
    for (const std::string &arg : command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    std::fprintf(stderr, "korvex-wine-peer: cannot run %s: %s\n", argv[0], std::strerror(errno));
    ::_exit(127);
}

// A child process and, once it ended, its exit status.
class Child {
public:
    explicit Child(pid_t pid) : m_pid(pid) {}
    bool started() const { return m_pid > 0; }
    bool running() {
        if (!m_done && m_pid > 0) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid)
                finish(status);
        }
        return !m_done && m_pid > 0;
    }
    void stop() {
        if (running())
            ::kill(m_pid, SIGTERM);
    }
    // Waits for the end (passing a stop request on) and returns the exit status.
    int wait() {
        while (!m_done && m_pid > 0) {
            int status = 0;
            if (::waitpid(m_pid, &status, 0) == m_pid)
                finish(status);
            else if (errno != EINTR)
                m_done = true;
            else if (g_stop)
                ::kill(m_pid, SIGTERM);
        }
        return m_status;
    }

private:
    void finish(int status) {
        m_done = true;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    pid_t m_pid;
    bool m_done = false;
    int m_status = 127;
};

class Line {
public:
    bool open(const std::string &link, std::string &error) {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
            error = std::string("openpty: ") + std::strerror(errno);
            return false;
        }
        m_slavePath = name;
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        // Raw from the start: nothing is echoed back to the Windows side before it configures the port.
        termios t{};
        ::tcgetattr(m_slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
        return makeLink(link, m_slavePath, error);
    }
    ~Line() { hangUp(); }

    // Closes both ends: the Windows side sees the hang-up of an unplugged device.
    void hangUp() {
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
    }

    // Waits up to 50 ms for the master to become readable (or writable when asked).
    short poll(bool wantWrite) const {
        pollfd fd{m_master, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
        return ::poll(&fd, 1, 50) > 0 ? fd.revents : 0;
    }
    ssize_t read(std::uint8_t *buffer, std::size_t size) const { return ::read(m_master, buffer, size); }
    ssize_t write(const std::uint8_t *data, std::size_t size) const { return ::write(m_master, data, size); }

    // What the Windows side set up: 57600 8N1, raw.
    std::string settingsProblem() const {
        termios t{};
        if (::tcgetattr(m_slave, &t) != 0)
            return std::string("tcgetattr: ") + std::strerror(errno);
        std::string problem;
        const unsigned baud = ptyBaud(m_slave);
        if (baud != 57600)
            problem += " baud " + std::to_string(baud);
        if ((t.c_cflag & CSIZE) != CS8)
            problem += " not 8 data bits;";
        if (t.c_cflag & PARENB)
            problem += " parity on;";
        if (t.c_cflag & CSTOPB)
            problem += " 2 stop bits;";
        if (t.c_lflag & (ICANON | ECHO))
            problem += " not raw;";
        return problem;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// The exchange; "" when it went right.
std::string exchange(Line &line, Child &child) {
    const std::vector<std::uint8_t> expected =
        linestreams::bytes(linestreams::kExchangeCount, linestreams::kFromWindowsSeed);
    const std::vector<std::uint8_t> outgoing =
        linestreams::bytes(linestreams::kExchangeCount, linestreams::kToWindowsSeed);
    std::size_t received = 0, sent = 0;
    std::string settings;
    std::uint8_t buffer[4096];
    while (!g_stop && child.running()) {
        // Everything but the last byte may go as soon as the Windows side has shown it is there.
        const std::size_t mayGo = received == 0                ? 0
                                  : received < expected.size() ? outgoing.size() - 1
                                                               : outgoing.size();
        const short ready = line.poll(sent < mayGo);
        if (ready & POLLIN) {
            const ssize_t n = line.read(buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i, ++received) {
                if (received == 0)
                    settings = line.settingsProblem();
                if (received >= expected.size())
                    return "more than " + std::to_string(expected.size()) + " bytes arrived";
                if (buffer[i] != expected[received])
                    return "byte " + std::to_string(received) + " is " + std::to_string(buffer[i]) +
                           ", not " + std::to_string(expected[received]);
            }
        }
        if ((ready & POLLOUT) && sent < mayGo) {
            const ssize_t n = line.write(outgoing.data() + sent, std::min<std::size_t>(mayGo - sent, 4096));
            if (n > 0)
                sent += static_cast<std::size_t>(n);
        }
        if (received == expected.size() && sent == outgoing.size())
            break;
    }
    if (received != expected.size() || sent != outgoing.size())
        return "received " + std::to_string(received) + " and sent " + std::to_string(sent) + " of " +
               std::to_string(expected.size()) + " bytes";
    if (!settings.empty())
        return "line settings:" + settings;
    return {};
}

std::string flood(Line &line, Child &child) {
    const std::vector<std::uint8_t> chunk = linestreams::bytes(4096, 7);
    std::uint8_t sink[4096];
    while (!g_stop && child.running()) {
        const short ready = line.poll(true);
        if (ready & POLLIN)
            line.read(sink, sizeof sink);
        if (ready & POLLOUT)
            line.write(chunk.data(), chunk.size());
    }
    return {};
}

// Answers the first line; hangs up at the second, so the answer is read before the line goes down.
std::string hangUpAfterAnswer(Line &line, Child &child) {
    std::uint8_t buffer[256];
    unsigned lineEnds = 0;
    while (!g_stop && child.running()) {
        if (!(line.poll(false) & POLLIN))
            continue;
        const ssize_t n = line.read(buffer, sizeof buffer);
        const unsigned before = lineEnds;
        lineEnds += static_cast<unsigned>(std::count(buffer, buffer + std::max<ssize_t>(n, 0), '\n'));
        if (before == 0 && lineEnds >= 1) {
            const std::string answer = linestreams::kHangUpAnswer;
            if (line.write(reinterpret_cast<const std::uint8_t *>(answer.data()), answer.size()) !=
                static_cast<ssize_t>(answer.size()))
                return "cannot answer";
        }
        if (lineEnds >= 2) {
            line.hangUp();
            return {};
        }
    }
    return "fewer than two lines arrived";
}

int runWithSim(const Options &options) {
    if (options.roleArgs.empty())
        return fail("sim: no program given");
    std::vector<std::string> sim = {options.roleArgs.front(), "--link", options.link};
    sim.insert(sim.end(), options.roleArgs.begin() + 1, options.roleArgs.end());
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return fail(std::string("pipe: ") + std::strerror(errno));
    Child simulator(spawn(sim, options.port, pipeFds[1]));
    ::close(pipeFds[1]);
    // Its first line is the slave path, written once the link is in place.
    std::string first;
    char c = 0;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        first += c;
    ::close(pipeFds[0]);
    if (first.empty()) {
        simulator.stop();
        simulator.wait();
        return fail("korvex-sim did not start");
    }
    Child child(spawn(options.command, options.port));
    const int status = child.wait();
    simulator.stop();
    simulator.wait();
    return status;
}

} // namespace

int main(int argc, char **argv) {
    Options options;
    std::string error;
    if (!parse(argc, argv, options, error))
        return fail(error + "\nusage: korvex-wine-peer [--link PATH] [--port N] ROLE [ARGS] -- COMMAND...");
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    if (options.role == "sim")
        return runWithSim(options);

    std::string (*role)(Line &, Child &) = nullptr;
    if (options.role == "exchange")
        role = exchange;
    else if (options.role == "flood")
        role = flood;
    else if (options.role == "hangup")
        role = hangUpAfterAnswer;
    else
        return fail("unknown role " + options.role);

    Line line;
    if (!line.open(options.link, error))
        return fail(error);
    Child child(spawn(options.command, options.port));
    if (!child.started())
        return fail(std::string("fork: ") + std::strerror(errno));
    const std::string problem = role(line, child);
    if (g_stop)
        child.stop();
    const int status = child.wait();
    ::unlink(options.link.c_str());
    if (status != 0)
        return status;
    if (!problem.empty())
        return fail(options.role + ": " + problem);
    return 0;
}
