#pragma once

#include <string>
#include <sys/types.h>

namespace korvexsim {

// Whether a running simulator serves a --link path: an exclusive flock on the lock file ".NAME.lock"
// beside the link, held while the simulator's pseudo-terminal is behind it and holding its pid. The
// kernel lets go of the lock when the process dies, so the link of a simulator that was killed is
// free again, whatever it still points at.
class LinkLock {
public:
    enum class Outcome { Taken, Held, Failed };

    explicit LinkLock(std::string linkPath);
    ~LinkLock();
    LinkLock(const LinkLock &) = delete;
    LinkLock &operator=(const LinkLock &) = delete;

    // Takes the lock. Held: a running simulator has it, holder() says which (0 when it has not
    // written its pid yet). Failed: the lock file cannot be made; error says why.
    Outcome take(std::string &error);
    // Removes the lock file and lets go of the lock.
    void release();

    bool taken() const { return m_fd >= 0; }
    pid_t holder() const { return m_holder; }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    int m_fd = -1;
    pid_t m_holder = 0;
};

} // namespace korvexsim
