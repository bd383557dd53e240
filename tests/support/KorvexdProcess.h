#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// Runs korvexd (the program named by the environment variable KORVEXD) for a test or a benchmark, in
// the current folder: its settings file there (korvexd.conf, empty, so that the machine's own is never
// read), its state folder (korvexd-state), every listener on a free loopback port, and what it logs on
// standard error in korvexd.log. start() returns once it serves its protocol port; the object stops it
// (SIGTERM, then SIGKILL after the deadline) at the latest when it goes.
//
//   testsupport::SimProcess sim({"--link", "COM1"});
//   testsupport::KorvexdProcess korvexd;
//   ASSERT_TRUE(korvexd.start({"--line", "COM1", "--poll", "0"})) << korvexd.error();
//   ... connect to 127.0.0.1:korvexd.port() ...
//   EXPECT_TRUE(waitFor([&] { return korvexd.logHas("line COM1 is on"); }));
class KorvexdProcess {
public:
    static constexpr const char *kLogFile = "korvexd.log";

    KorvexdProcess() = default;
    ~KorvexdProcess();
    KorvexdProcess(const KorvexdProcess &) = delete;
    KorvexdProcess &operator=(const KorvexdProcess &) = delete;

    // Starts korvexd with these arguments after the ones above; its protocol port is `port`, or a free
    // one for 0. False with error() when it ends or says nothing of its listener in time.
    bool start(const std::vector<std::string> &args, std::uint16_t port = 0, int timeoutMs = 30000);
    const std::string &error() const { return m_error; }

    pid_t pid() const { return m_pid; }
    bool running();
    // The switchers' protocol listener.
    std::uint16_t port() const { return m_port; }

    // Sends the signal and waits for the end; SIGKILL after the deadline. Returns the exit status,
    // 128 + signal when a signal ended it, -1 when nothing was running.
    int stop(int signal = 15, int timeoutMs = 10000);

    // What it logged so far, one entry a line without the "korvexd: " before it.
    std::vector<std::string> log() const;
    // Log lines that hold this text.
    std::size_t logCount(const std::string &text) const;
    bool logHas(const std::string &text) const { return logCount(text) > 0; }

    // Its open file descriptors and resident memory, read from /proc.
    std::size_t openFiles() const;
    std::size_t residentKiB() const;

    // The program: $KORVEXD.
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
