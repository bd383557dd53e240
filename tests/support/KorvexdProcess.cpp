#include "KorvexdProcess.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

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
    ::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address);
    ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

std::string KorvexdProcess::program() {
    const char *path = std::getenv("KORVEXD");
    return path ? path : "";
}

bool KorvexdProcess::start(const std::vector<std::string> &args, std::uint16_t port, int timeoutMs) {
    stop();
    writeFile("korvexd.conf", "");
    // A free port may be taken by someone else before korvexd binds it: then another is tried.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (launch(args, port, timeoutMs) || port != 0 || m_error.find("cannot listen") == std::string::npos)
            return m_error.empty();
    return false;
}

bool KorvexdProcess::launch(const std::vector<std::string> &args, std::uint16_t port, int timeoutMs) {
    m_error.clear();
    m_port = port != 0 ? port : freeLoopbackPort();
    std::vector<std::string> words{program(),
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
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // Emptied here, not only by the child: the last run's "serving" line must not pass for this one's.
    writeFile("korvexd.log", "");
    const pid_t parent = ::getpid();
    m_pid = ::fork();
    if (m_pid == 0) {
        // A test that dies takes korvexd with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int log = ::open("korvexd.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::getppid() != parent || log < 0 || ::dup2(log, STDERR_FILENO) < 0)
            ::_exit(127);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    m_status = -1;
    const std::string serving = " on " + loopback(m_port);
    const bool up = waitFor(
        [&] {
            for (const std::string &line : log())
                if (line.rfind("serving ", 0) == 0 && line.find(serving) != std::string::npos)
                    return true;
            return !running();
        },
        timeoutMs);
    if (up && running())
        return true;
    const std::vector<std::string> said = log();
    m_error =
        (up ? "korvexd ended (status " + std::to_string(m_status) + ")" : "korvexd did not serve in time") +
        (said.empty() ? "" : ": " + said.back());
    stop(SIGKILL);
    return false;
}

bool KorvexdProcess::reap(bool block) {
    int status = 0;
    if (m_pid <= 0 || ::waitpid(m_pid, &status, block ? 0 : WNOHANG) != m_pid)
        return m_pid <= 0;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    m_pid = -1;
    return true;
}

bool KorvexdProcess::running() {
    return !reap(false);
}

int KorvexdProcess::stop(int signal, int timeoutMs) {
    if (m_pid > 0 && ::kill(m_pid, signal) == 0 && !waitFor([this] { return reap(false); }, timeoutMs)) {
        ::kill(m_pid, SIGKILL);
        reap(true);
    }
    const int status = m_status;
    m_status = -1;
    return status;
}

std::vector<std::string> KorvexdProcess::log() const {
    std::vector<std::string> lines;
    std::ifstream in("korvexd.log", std::ios::binary);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.rfind("korvexd: ", 0) == 0 ? line.substr(9) : line);
    return lines;
}

std::size_t KorvexdProcess::logCount(const std::string &text) const {
    std::size_t count = 0;
    for (const std::string &line : log())
        count += line.find(text) != std::string::npos;
    return count;
}

std::size_t KorvexdProcess::openFiles() const {
    const std::filesystem::path fds = "/proc/" + std::to_string(m_pid) + "/fd";
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(fds), std::filesystem::directory_iterator()));
}

} // namespace testsupport
