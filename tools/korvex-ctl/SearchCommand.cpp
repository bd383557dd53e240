// "search": tries the serial ports one by one as the console's "Search Machine" does and prints the
// first that answers.

#include "CommandArgs.h"
#include "Connection.h"
#include "LoopTimer.h"
#include "serial/PortNaming.h"
#include "serial/SerialTransport.h"
#include "session/PortSearch.h"

#include <cstdio>

namespace {

class SearchOwner : public session::ISearchOwner {
public:
    SearchOwner(session::DeviceSession &session, SerialTransport &serial)
        : m_session(session), m_serial(serial) {}

    bool openSearchPort(unsigned port) override {
        m_serial.setPort(port);
        return m_session.open(true);
    }
    void searchFound(unsigned port) override { m_found = port; }
    void searchNotFound() override { m_notFound = true; }

    unsigned found() const { return m_found; }
    bool over() const { return m_found != 0 || m_notFound; }

private:
    session::DeviceSession &m_session;
    SerialTransport &m_serial;
    unsigned m_found = 0;
    bool m_notFound = false;
};

int search(Connection &c) {
    SearchOwner owner(c.session(), *c.serialForSearch());
    session::PortSearch *running = nullptr;
    LoopTimer timer(c.loop(), [&running] {
        if (running)
            running->onTimer();
    });
    session::PortSearch search(c.session(), owner, timer);
    running = &search;
    c.setLineHook([&search] { search.onLine(); });
    if (search.start(1)) {
        // Each port has its period and one more of quiet: the search ends on its own.
        c.loop().runUntil([&] { return owner.over() || !search.running(); },
                          EventLoop::Clock::time_point::max());
    }
    c.setLineHook({});
    if (owner.found() == 0) {
        ReportError("Can not find available device for this console!");
        return kExitNoAnswer;
    }
    std::printf("%s\n", serial::PortName(owner.found()).c_str());
    return kExitOk;
}

} // namespace

ParsedCommand ParseSearchCommand(CommandArgs &args, const CommandLine &options) {
    args.finish();
    if (!options.host.empty())
        throw UsageError("search tries the serial ports: --host does not go with it");
    if (options.portGiven)
        throw UsageError("search tries every serial port: --port does not go with it");
    return ParsedCommand(search, false);
}
