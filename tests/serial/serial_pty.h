#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <termios.h>

namespace serialtest {

// A pseudo-terminal that plays the switcher: the test works the master side, and the slave is
// reachable as "COMn" in the current directory, where CComLink looks first.
class PtyPeer {
public:
    explicit PtyPeer(unsigned portNumber);
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &slavePath() const { return m_slavePath; }
    // Another "COMn" name for the same terminal.
    void linkAs(unsigned portNumber) const;

    // Writes everything, waiting for room; false if the deadline passed or the write failed.
    bool write(const std::vector<uint8_t> &bytes, int timeoutMs = 20000);
    bool write(const std::string &text) { return write(std::vector<uint8_t>(text.begin(), text.end())); }
    // Reads until count bytes arrived or the deadline passed; returns what arrived.
    std::vector<uint8_t> read(std::size_t count, int timeoutMs = 20000);

    // The terminal's settings as the port sees them.
    termios slaveSettings() const;
    // Closes the master: the port sees the hang-up of an unplugged device.
    void unplug();

private:
    int m_master = -1;
    int m_slave = -1; // held so the terminal survives between opens of the port
    std::string m_slavePath;
};

std::vector<uint8_t> randomBytes(std::size_t count, unsigned seed);
std::size_t openFdCount();
std::size_t threadCount();
// The threads' names and the open files, for a failure message.
std::string threadsAndFiles();

} // namespace serialtest
