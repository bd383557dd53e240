#include "serial_pty.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace serialtest {

namespace {

int remainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::size_t countEntries(const char *folder) {
    std::size_t count = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

} // namespace

PtyPeer::PtyPeer(unsigned portNumber) {
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = name;
    linkAs(portNumber);
}

PtyPeer::~PtyPeer() {
    unplug();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPeer::linkAs(unsigned portNumber) const {
    std::filesystem::create_symlink(m_slavePath, "COM" + std::to_string(portNumber));
}

bool PtyPeer::write(const std::vector<uint8_t> &bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd room{m_master, POLLOUT, 0};
        if (::poll(&room, 1, remainingMs(deadline)) <= 0)
            return false;
    }
    return true;
}

std::vector<uint8_t> PtyPeer::read(std::size_t count, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    while (bytes.size() < count) {
        const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd data{m_master, POLLIN, 0};
        if (::poll(&data, 1, remainingMs(deadline)) <= 0)
            break;
    }
    return bytes;
}

termios PtyPeer::slaveSettings() const {
    termios settings{};
    ::tcgetattr(m_slave, &settings);
    return settings;
}

void PtyPeer::unplug() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

std::vector<uint8_t> randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(count);
    for (uint8_t &b : bytes)
        b = static_cast<uint8_t>(byte(generator));
    return bytes;
}

std::size_t openFdCount() {
    return countEntries("/proc/self/fd");
}

std::size_t threadCount() {
    return countEntries("/proc/self/task");
}

std::string threadsAndFiles() {
    std::string text;
    for (const char *folder : {"/proc/self/task", "/proc/self/fd"}) {
        for (const auto &entry : std::filesystem::directory_iterator(folder)) {
            std::error_code ec;
            const auto path = entry.path();
            std::string name;
            if (std::string(folder).find("task") != std::string::npos) {
                std::ifstream comm(path / "comm");
                std::getline(comm, name);
            } else {
                name = std::filesystem::read_symlink(path, ec).string();
            }
            text += path.filename().string() + "=" + name + " ";
        }
        text += "\n";
    }
    return text;
}

} // namespace serialtest
