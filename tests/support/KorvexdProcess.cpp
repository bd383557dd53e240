#include "KorvexdProcess.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

constexpr const char *kPrefix = "korvexd: ";

std::string loopback(std::uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace

std::uint16_t freeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

KorvexdProcess::~KorvexdProcess() {
    stop(SIGTERM);
}

std::string KorvexdProcess::program() {
    const char *path = std::getenv("KORVEXD");
    return path ? path : "";
}

bool KorvexdProcess::start(const std::vector<std::string> &args, std::uint16_t port, int timeoutMs) {
    stop(SIGTERM);
    m_error.clear();
    if (program().empty()) {
        m_error = "KORVEXD is not set";
        return false;
    }
    writeFile("korvexd.conf", "");
    // A free port can be taken by someone else before korvexd binds it: then it is tried again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (launch(args, port, timeoutMs))
            return true;
        if (port != 0 || m_error.find("cannot listen") == std::string::npos)
            return false;
    }
    return false;
}

bool KorvexdProcess::launch(const std::vector<std::string> &args, std::uint16_t port, int timeoutMs) {
    m_port = port != 0 ? port : freeLoopbackPort();
    std::vector<std::string> argvStrings{program(),
                                         "--config",
                                         "korvexd.conf",
                                         "--state-dir",
                                         "korvexd-state",
                                         "--listen",
                                         loopback(m_port),
                                         "--http",
                                         loopback(freeLoopbackPort()),
                                         "--videohub",
                                         loopback(freeLoopbackPort())};
    argvStrings.insert(argvStrings.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &s : argvStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    const int log = ::open(kLogFile, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        m_error = std::string("cannot create ") + kLogFile + ": " + std::strerror(errno);
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        m_error = std::string("fork: ") + std::strerror(errno);
        ::close(log);
        return false;
    }
    if (pid == 0) {
        // A test that dies takes korvexd with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(log, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(log);
    m_pid = pid;
    m_status = -1;

    const std::string serving = " on " + loopback(m_port);
    const bool up = waitFor(
        [&] {
            if (!running())
                return true;
            for (const std::string &line : this->log())
                if (line.rfind("serving ", 0) == 0 && line.find(serving) != std::string::npos)
                    return true;
            return false;
        },
        timeoutMs);
    if (up && running())
        return true;
    const std::vector<std::string> said = this->log();
    m_error = !up ? "korvexd did not serve " + loopback(m_port) + " in time"
                  : "korvexd ended (status " + std::to_string(m_status) + ")";
    if (!said.empty())
        m_error += ": " + said.back();
    stop(SIGKILL);
    return false;
}

bool KorvexdProcess::reap(bool block) {
    if (m_pid <= 0)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, block ? 0 : WNOHANG);
    if (r == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        m_pid = -1;
        return true;
    }
    return r < 0 && errno == ECHILD;
}

bool KorvexdProcess::running() {
    return m_pid > 0 && !reap(false);
}

int KorvexdProcess::stop(int signal, int timeoutMs) {
    if (m_pid > 0) {
        ::kill(m_pid, signal);
        if (!waitFor([this] { return reap(false); }, timeoutMs)) {
            ::kill(m_pid, SIGKILL);
            reap(true);
        }
    }
    const int status = m_status;
    m_status = -1;
    return status;
}

std::vector<std::string> KorvexdProcess::log() const {
    std::vector<std::string> lines;
    std::ifstream in(kLogFile, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(kPrefix, 0) == 0)
            line.erase(0, std::strlen(kPrefix));
        lines.push_back(line);
    }
    return lines;
}

std::size_t KorvexdProcess::logCount(const std::string &text) const {
    std::size_t count = 0;
    for (const std::string &line : log())
        count += line.find(text) != std::string::npos;
    return count;
}

std::size_t KorvexdProcess::openFiles() const {
    std::error_code ec;
    std::size_t count = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(m_pid) + "/fd", ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
        ++count;
    return count;
}

std::size_t KorvexdProcess::residentKiB() const {
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return static_cast<std::size_t>(std::strtoul(line.c_str() + 6, nullptr, 10));
    return 0;
}

} // namespace testsupport
