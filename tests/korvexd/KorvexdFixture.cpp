#include "KorvexdFixture.h"

#include "WaitFor.h"

void KorvexdFixture::SetUp() {
    if (testsupport::KorvexdProcess::program().empty() || testsupport::SimProcess::program().empty())
        GTEST_SKIP() << "KORVEXD or KORVEX_SIM is not set; run through CTest";
    m_cwd = std::make_unique<testsupport::ScopedTempCwd>();
}

void KorvexdFixture::TearDown() {
    // korvexd first: no line drops under it while a test ends.
    m_korvexd.stop();
    m_sims.clear();
    m_cwd.reset();
}

testsupport::SimProcess &KorvexdFixture::startSim(std::vector<std::string> extra, const std::string &link) {
    return launchSim({"--link", link}, extra);
}

testsupport::SimProcess &KorvexdFixture::startTcpSim(std::vector<std::string> extra, std::uint16_t port) {
    return launchSim({"--tcp", "127.0.0.1:" + std::to_string(port)}, extra);
}

testsupport::SimProcess &KorvexdFixture::launchSim(std::vector<std::string> args,
                                                   const std::vector<std::string> &extra) {
    args.insert(args.end(), {"--state", kSimState, "--log", kSimLog});
    args.insert(args.end(), extra.begin(), extra.end());
    m_sims.push_back(std::make_unique<testsupport::SimProcess>(args));
    EXPECT_TRUE(m_sims.back()->started()) << m_sims.back()->error();
    return *m_sims.back();
}

void KorvexdFixture::startKorvexd(const std::vector<std::string> &args, std::uint16_t port) {
    ASSERT_TRUE(m_korvexd.start(args, port)) << m_korvexd.error();
}

std::unique_ptr<ProtocolClient> KorvexdFixture::connectClient(int receiveBuffer) {
    auto client = std::make_unique<ProtocolClient>();
    EXPECT_TRUE(client->connect(m_korvexd.port(), receiveBuffer));
    return client;
}

bool KorvexdFixture::waitForLog(const std::string &text, std::size_t count, int timeoutMs) {
    return testsupport::waitFor([&] { return m_korvexd.logCount(text) >= count; }, timeoutMs);
}

std::size_t KorvexdFixture::simLines(const std::string &text) const {
    std::size_t found = 0;
    for (const std::string &line : testsupport::simLogEntries(kSimLog, "LINE"))
        found += line.find(text) != std::string::npos;
    return found;
}
