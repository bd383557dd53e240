#pragma once

#include "KorvexdProcess.h"
#include "ProtocolClient.h"
#include "SimProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// korvexd and korvex-sim in a temporary folder: the simulator's line linked there (COM1 unless named)
// or served on a loopback TCP port, with its state file and wire log; korvexd on free loopback ports.
// Skipped outside CTest, which names the programs.
class KorvexdFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    testsupport::SimProcess &startSim(std::vector<std::string> extra = {}, const std::string &link = "COM1");
    // slavePath() is then "127.0.0.1:PORT"; port 0 is any free one.
    testsupport::SimProcess &startTcpSim(std::vector<std::string> extra, std::uint16_t port);
    void startKorvexd(const std::vector<std::string> &args, std::uint16_t port = 0);
    std::unique_ptr<ProtocolClient> connectClient(int receiveBuffer = 0);
    // Waits for at least `count` log lines with the text.
    bool waitForLog(const std::string &text, std::size_t count = 1, int timeoutMs = 20000);
    // Lines the simulator received that hold the text.
    std::size_t simLines(const std::string &text) const;

    static constexpr const char *kSimState = "sim.json";
    static constexpr const char *kSimLog = "sim.log";

    testsupport::SimProcess &launchSim(std::vector<std::string> args, const std::vector<std::string> &extra);

    std::unique_ptr<testsupport::ScopedTempCwd> m_cwd;
    std::vector<std::unique_ptr<testsupport::SimProcess>> m_sims;
    testsupport::KorvexdProcess m_korvexd;
};
