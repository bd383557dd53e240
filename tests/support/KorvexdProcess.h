#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// korvexd (the program $KORVEXD names) as a child process of a test or a benchmark, in the current
// folder: an empty settings file there (the machine's own is never read), its state folder, every
// listener on a free loopback port, and what it logs on standard error in korvexd.log. start() returns
// once it serves its protocol port; the object stops it (SIGTERM, then SIGKILL) when it goes.
class KorvexdProcess {
public:
    KorvexdProcess() = default;
    KorvexdProcess(const KorvexdProcess &) = delete;
    KorvexdProcess &operator=(const KorvexdProcess &) = delete;
    ~KorvexdProcess() { stop(); }

    // These arguments come after korvexd's folder and listeners; the protocol port is `port`, or a free
    // one for 0. False with error() when korvexd ends or does not serve in time.
    bool start(const std::vector<std::string> &args, std::uint16_t port = 0, int timeoutMs = 30000);
    const std::string &error() const { return m_error; }
    std::uint16_t port() const { return m_port; }
    pid_t pid() const { return m_pid; }
    bool running();
    // Sends the signal and waits for the end (SIGKILL after the deadline): the exit status, 128 +
    // signal when a signal ended it, -1 when nothing ran.
    int stop(int signal = 15, int timeoutMs = 10000);

    // The log so far, a line each, without "korvexd: "; the lines that hold a text.
    std::vector<std::string> log() const;
    std::size_t logCount(const std::string &text) const;
    bool logHas(const std::string &text) const { return logCount(text) > 0; }
    // Its open file descriptors.
    std::size_t openFiles() const;

    static std::string program();

private:
    bool launch(const std::vector<std::string> &args, std::uint16_t port, int timeoutMs);
    bool reap(bool block);

    pid_t m_pid = -1;
    int m_status = -1;
    std::uint16_t m_port = 0;
    std::string m_error;
};

// A loopback TCP port that nothing listened on a moment ago.
std::uint16_t freeLoopbackPort();

} // namespace testsupport
