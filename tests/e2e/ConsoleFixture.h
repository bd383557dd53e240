#pragma once

#include "app/CConsoleDlg.h"
#include "serial/PortNaming.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include "SimProcess.h"
#include "TempDir.h"
#include "WaitFor.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A console window in a temporary folder where only the test's own COMn links exist, with its
// message boxes captured, plus helpers to drive it like an operator does.
class ConsoleFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes KorvexAddrMG.ini with these addresses for entries 1.. (the rest 00) before start-up.
    void writeAddressTable(const std::vector<int> &addresses);
    CConsoleDlg &console();

    // Starts a simulator linked as COMn in the test folder, with a state file and a wire log.
    testsupport::SimProcess &startSim(int comNumber, std::vector<std::string> extraArgs = {});
    std::string stateFile(int comNumber) const { return "sim" + std::to_string(comNumber) + ".json"; }
    std::string logFile(int comNumber) const { return "sim" + std::to_string(comNumber) + ".log"; }
    std::string fifo(int comNumber) const { return "sim" + std::to_string(comNumber) + ".fifo"; }

    QPushButton *button(int id) { return ui::control<QPushButton>(&console(), id); }
    QComboBox *combo(int id) { return ui::control<QComboBox>(&console(), id); }
    void click(int id) { QTest::mouseClick(button(id), Qt::LeftButton); }
    void choose(int comboId, int index);
    QString portCaption() { return button(CConsoleDlg::IDC_PORT_BUTTON)->text(); }
    bool logHas(int comNumber, const std::string &text);

    std::unique_ptr<testsupport::ScopedTempCwd> m_cwd;
    std::unique_ptr<ui::MessageCapture> m_messages;
    std::unique_ptr<CConsoleDlg> m_console;
    std::vector<std::unique_ptr<testsupport::SimProcess>> m_sims;
};
