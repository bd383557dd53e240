#pragma once

#include "sim/LinkLock.h"
#include "sim/SimOptions.h"
#include "sim/SwitcherLine.h"
#include "sim/TcpListener.h"
#include "sim/WireDecoder.h"
#include "sim/WireLog.h"

#include <chrono>
#include <deque>
#include <random>
#include <string>

namespace korvexsim {

// The running simulator: a pseudo-terminal in raw mode (or, with --tcp, a listening socket and the
// one controller connected to it), the optional inject FIFO, the switchers behind them, and the reply
// queue with its pacing, delays and injected faults. One thread, one poll loop; SIGINT/SIGTERM/SIGHUP
// arrive through a signalfd and end the loop cleanly.
class SimServer {
public:
    explicit SimServer(SimOptions options);
    ~SimServer();
    SimServer(const SimServer &) = delete;
    SimServer &operator=(const SimServer &) = delete;

    // Sets everything up, prints the slave path (or the TCP address) on standard output, serves until
    // a signal. Returns the process exit code.
    int run();

private:
    using Clock = std::chrono::steady_clock;
    enum class Source { Serial, Inject };
    struct Chunk {
        std::string bytes;
        std::size_t sent = 0;
        Clock::time_point notBefore;
    };

    bool setUp(std::string &error);
    bool openPty(std::string &error);
    bool makeLink(std::string &error);
    bool makeFifo(std::string &error);
    void cleanUp();

    void acceptClient();
    void dropClient();
    void readSerial();
    void readInject();
    void handleEvents(std::vector<WireDecoder::Event> &events, Source source);
    void onCommand(const SwitcherLine::Result &result);
    void enqueue(std::string bytes, Clock::time_point notBefore);
    bool frontReady(Clock::time_point now) const;
    std::size_t paceAllowance(Clock::time_point now);
    void writeOut(Clock::time_point now);
    void closeLine();
    std::size_t unreadOnLine() const; // bytes sent that the other end has not read yet
    void writeState();
    std::string randomBytes(int count, bool withLineFeeds);
    int pollTimeoutMs(Clock::time_point now) const;

    SimOptions m_options;
    SwitcherLine m_line;
    WireDecoder m_serialDecoder;
    WireDecoder m_injectDecoder;
    WireLog m_log;
    std::mt19937 m_random;

    int m_master = -1; // the pseudo-terminal's master, or the connected controller's socket (--tcp)
    int m_slave = -1;  // kept open so the master never sees a hang-up while no one listens
    std::string m_slavePath;
    bool m_linkMade = false;
    LinkLock m_linkLock; // taken while our terminal is behind the --link
    TcpListener m_listener;
    int m_fifoRead = -1;
    int m_fifoKeepAlive = -1;
    bool m_fifoMade = false;
    int m_signalFd = -1;

    std::deque<Chunk> m_queue;
    std::size_t m_queuedBytes = 0;
    Clock::time_point m_paceNext{};
    Clock::time_point m_lastProgress{};
    long m_commands = 0;
    long m_lineCommands = 0; // commands since the line (the TCP connection) opened
    bool m_flooding = false;
    bool m_hangupPending = false;
    std::size_t m_bytesSent = 0; // reply bytes written to the line since it opened
    bool m_hungUp = false;
    bool m_stop = false;
    bool m_stateFailing = false; // the last write of the state file failed
};

} // namespace korvexsim
