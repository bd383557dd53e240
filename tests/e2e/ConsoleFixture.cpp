#include "ConsoleFixture.h"

void ConsoleFixture::SetUp() {
    m_cwd = std::make_unique<testsupport::ScopedTempCwd>();
    serial::setDeviceTable(serial::emptyDeviceTable());
    m_messages = std::make_unique<ui::MessageCapture>();
}

void ConsoleFixture::TearDown() {
    m_console.reset(); // closes the port before the simulators go
    m_sims.clear();
    m_messages.reset();
    serial::setDeviceTable(serial::systemDeviceTable());
    m_cwd.reset();
}

void ConsoleFixture::writeAddressTable(const std::vector<int> &addresses) {
    std::string content;
    for (int i = 0; i < 32; ++i) {
        const int a = i < static_cast<int>(addresses.size()) ? addresses[static_cast<std::size_t>(i)] : 0;
        content += std::to_string(a / 10) + std::to_string(a % 10) + " ";
    }
    content += "\r\n";
    for (int i = 0; i < 32; ++i)
        content += "*Dev" + std::to_string(i + 1) + "\r\n";
    testsupport::writeFile("KorvexAddrMG.ini", content);
}

CConsoleDlg &ConsoleFixture::console() {
    if (!m_console) {
        m_console = std::make_unique<CConsoleDlg>();
        m_console->show();
    }
    return *m_console;
}

testsupport::SimProcess &ConsoleFixture::startSim(int comNumber, std::vector<std::string> extraArgs) {
    std::vector<std::string> args{"--link",   "COM" + std::to_string(comNumber),
                                  "--state",  stateFile(comNumber),
                                  "--log",    logFile(comNumber),
                                  "--inject", fifo(comNumber)};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    m_sims.push_back(std::make_unique<testsupport::SimProcess>(args));
    EXPECT_TRUE(m_sims.back()->started()) << m_sims.back()->error();
    return *m_sims.back();
}

void ConsoleFixture::choose(int comboId, int index) {
    QComboBox *c = combo(comboId);
    c->setCurrentIndex(index);
    emit c->activated(index);
}

bool ConsoleFixture::logHas(int comNumber, const std::string &text) {
    for (const std::string &entry : testsupport::readSimLog(logFile(comNumber)))
        if (entry.find(text) != std::string::npos)
            return true;
    return false;
}
