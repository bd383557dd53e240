#include "SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string optionValue(const std::vector<std::string> &args, const std::string &name) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == name && i + 1 < args.size())
            return args[i + 1];
        if (args[i].rfind(name + "=", 0) == 0)
            return args[i].substr(name.size() + 1);
    }
    return {};
}

} // namespace

SimProcess::SimProcess(const std::vector<std::string> &args, int timeoutMs) {
    start(args, timeoutMs);
}

SimProcess::~SimProcess() {
    stop();
}

std::string SimProcess::program() {
    const char *path = std::getenv("KORVEX_SIM");
    return path ? path : "";
}

bool SimProcess::start(const std::vector<std::string> &args, int timeoutMs) {
    stop();
    m_error.clear();
    m_slavePath.clear();
    std::string exe = program();
    if (exe.empty()) {
        m_error = "KORVEX_SIM is not set";
        return false;
    }
    m_injectPath = optionValue(args, "--inject");
    if (!m_injectPath.empty() && m_injectPath[0] != '/')
        m_injectPath = (std::filesystem::current_path() / m_injectPath).string();

    std::vector<std::string> argvStrings{exe};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        m_error = std::string("fork: ") + std::strerror(errno);
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        // A test that crashes must not leave its simulator running (holding the test runner's
        // output open): the simulator gets SIGTERM when the test process dies.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(fds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    m_pid = pid;
    m_stdout = fds[0];
    m_status = -1;

    // The first output line is the slave path.
    std::string line;
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (line.find('\n') == std::string::npos) {
        pollfd p{m_stdout, POLLIN, 0};
        int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            m_error = "korvex-sim printed no slave path in time";
            stop();
            return false;
        }
        char buf[256];
        ssize_t n = ::read(m_stdout, buf, sizeof buf);
        if (n <= 0) {
            m_error = "korvex-sim ended before printing its slave path";
            stop();
            return false;
        }
        line.append(buf, static_cast<std::size_t>(n));
    }
    m_slavePath = line.substr(0, line.find('\n'));
    return true;
}

bool SimProcess::reap(bool block) {
    if (m_pid <= 0)
        return true;
    int status = 0;
    pid_t r = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    if (r == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return true;
    }
    return r < 0 && errno == ECHILD;
}

bool SimProcess::running() {
    return m_pid > 0 && !reap(false);
}

bool SimProcess::inject(const std::string &line) {
    if (m_injectPath.empty() || !running())
        return false;
    int fd = ::open(m_injectPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::string bytes = line;
    if (bytes.empty() || bytes.back() != '\n')
        bytes += "\r\n";
    std::size_t done = 0;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, remainingMs(deadline)) <= 0)
            break;
    }
    ::close(fd);
    return done == bytes.size();
}

int SimProcess::stop(int timeoutMs) {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!reap(false) && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            reap(true);
        }
    }
    if (m_stdout >= 0) {
        ::close(m_stdout);
        m_stdout = -1;
    }
    m_slavePath.clear();
    int status = m_status;
    m_status = -1;
    return status;
}

QJsonObject readSimState(const std::string &path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonObject simDevice(const QJsonObject &state, int address) {
    for (const QJsonValue &d : state.value("devices").toArray())
        if (d.toObject().value("address").toInt(-1) == address)
            return d.toObject();
    return {};
}

std::vector<std::string> readSimLog(const std::string &path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

std::vector<std::string> simLogEntries(const std::string &path, const std::string &tag) {
    std::vector<std::string> out;
    for (const std::string &line : readSimLog(path)) {
        if (line == tag)
            out.emplace_back();
        else if (line.rfind(tag + " ", 0) == 0)
            out.push_back(line.substr(tag.size() + 1));
    }
    return out;
}

} // namespace testsupport
