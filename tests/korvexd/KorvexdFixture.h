#pragma once

#include "KorvexdProcess.h"
#include "ProtocolClient.h"
#include "SimProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// korvexd and korvex-sim in a temporary folder: the simulator's line linked there as COM1 (or served
// on a loopback TCP port), korvexd on free loopback ports with its log in the folder. Skipped outside
// CTest, which names the programs.
class KorvexdFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // korvex-sim linked as COM1 (or another name in the folder), with its state file, wire log and
    // injection FIFO.
    testsupport::SimProcess &startSim(std::vector<std::string> extra = {}, const std::string &link = "COM1");
    // korvex-sim serving its line on a loopback TCP port (0: any free one); slavePath() is "HOST:PORT".
    testsupport::SimProcess &startTcpSim(std::vector<std::string> extra = {}, std::uint16_t port = 0);
    // korvexd with these arguments (--line, --devices, ...) on this protocol port (0: a free one); fails
    // the test when it does not start.
    void startKorvexd(const std::vector<std::string> &args, std::uint16_t port = 0);

    // A client connected to korvexd's protocol port.
    std::unique_ptr<ProtocolClient> connectClient(int receiveBuffer = 0);
    // Log lines of korvexd with this text, once there are at least `count` of them.
    bool waitForLog(const std::string &text, std::size_t count = 1, int timeoutMs = 20000);
    // Lines the simulator received with this text.
    std::size_t simLines(const std::string &text) const;

    static constexpr const char *kSimState = "sim.json";
    static constexpr const char *kSimLog = "sim.log";
    static constexpr const char *kSimFifo = "sim.fifo";

    std::unique_ptr<testsupport::ScopedTempCwd> m_cwd;
    std::vector<std::unique_ptr<testsupport::SimProcess>> m_sims;
    testsupport::KorvexdProcess m_korvexd;
};
