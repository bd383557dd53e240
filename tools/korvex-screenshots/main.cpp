// korvex-screenshots: pictures of the console for the README. Starts korvex-sim linked as COM1 in a
// scratch folder, gives the simulated switcher a lived-in state, starts the console there, turns the
// port on, reads the device's status, and saves each page, the address dialog and the line traffic
// window as PNG files. Run it on a real X display (scripts/screenshots.sh uses Xvfb).
//   korvex-screenshots SIM_PROGRAM OUTPUT_FOLDER
#include "app/CConsoleDlg.h"
#include "app/CNetworkDlg.h"
#include "app/CPortList.h"
#include "app/PageTable.h"
#include "pages/address/CAddressDlg.h"
#include "pages/base/CConsolePage.h"
#include "pages/edid/CEdidPage.h"
#include "pages/traffic/CTrafficDlg.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <functional>

namespace {

bool spinUntil(const std::function<bool()> &done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Lets the window settle (layouts, a status burst) for a moment.
void settle(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool save(QWidget *widget, const QString &path) {
    if (!widget->grab().save(path)) {
        std::fprintf(stderr, "korvex-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: korvex-screenshots SIM_PROGRAM OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    const QString simProgram = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QDir().mkpath(out);
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path());

    // An address table with a few named switchers.
    QFile table(QStringLiteral("KorvexAddrMG.ini"));
    table.open(QIODevice::WriteOnly);
    QByteArray content = "01 05 12 ";
    for (int i = 3; i < 32; ++i)
        content += "00 ";
    content += "\r\n*Rack A\r\n*Lobby\r\n*Stage\r\n";
    for (int i = 3; i < 32; ++i)
        content += "* \r\n";
    table.write(content);
    table.close();

    QProcess sim;
    sim.start(simProgram, {QStringLiteral("--link"), QStringLiteral("COM1"), QStringLiteral("--addresses"),
                           QStringLiteral("01,05,12")});
    sim.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!sim.waitForStarted() ||
        !spinUntil([&] { return sim.canReadLine() || sim.waitForReadyRead(50); }, 10000)) {
        std::fprintf(stderr, "korvex-screenshots: korvex-sim did not start (%s)\n",
                     qPrintable(sim.errorString()));
        return 1;
    }

    ui::MessageCapture messages; // no box may stop the run
    CConsoleDlg console;
    console.resize(1000, 760);
    console.show();
    ui::control<QPushButton>(&console, CConsoleDlg::IDC_PORT_BUTTON)->click();
    if (!console.portOn()) {
        std::fprintf(stderr, "korvex-screenshots: the console could not open COM1\n");
        return 1;
    }
    // A switcher that has been in use: routing, multiview, border, audio and IR settings.
    for (const char *line :
         {"\r\nA01 SET OUT2 VS IN5 \r\n", "\r\nA01 SET OUT4 VS IN10\r\n", "\r\nA01 SET OUT7 VS IN3 \r\n",
          "\r\nA01 SET QVW VS 3.5.1.2\r\n", "\r\nA01 SET BLW 003\r\n", "\r\nA01 SET BLC 000.128.255\r\n",
          "\r\nA01 SET IN3 EDID 03\r\n", "\r\nA01 SET EXA MODE2\r\n", "\r\nA01 SET OUT3 EAS IN7 \r\n",
          "\r\nA01 SET RS MUX 0.1.0.0.1.0.0.0.0\r\n"})
        console.session().SendText(line);
    settle(500);
    auto *addresses = ui::control<QComboBox>(&console, CConsoleDlg::IDC_ADDRESS_LIST);
    addresses->setCurrentIndex(1);
    emit addresses->activated(1); // device 01 and its whole status
    settle(1500);

    auto *tabs = ui::control<QTabWidget>(&console, CConsoleDlg::IDC_TAB);
    const char *names[] = {"video", "video-wall", "edid", "ip-config", "setting"};
    bool ok = true;
    for (int i = 0; i < tabs->count() && i < 5; ++i) {
        tabs->setCurrentIndex(i);
        if (auto *edid = qobject_cast<CEdidPage *>(tabs->widget(i))) {
            // Read the EDID of output 4 so the box shows a summary.
            auto *port = ui::control<QComboBox>(edid, CEdidPage::IDC_READ_PORT);
            port->setCurrentIndex(3);
            emit port->activated(3);
            ui::control<QPushButton>(edid, CEdidPage::IDC_READ)->click();
            spinUntil([&] { return !edid->captureArmed(); }, 5000);
        }
        settle(200);
        ok = save(&console, out + QStringLiteral("/console-%1.png").arg(QString::fromLatin1(names[i]))) && ok;
    }
    tabs->setCurrentIndex(0);

    CAddressDlg *address = console.addressDialog();
    address->show();
    settle(300);
    ok = save(address, out + QStringLiteral("/address-dialog.png")) && ok;
    address->hide();

    console.showTraffic();
    settle(300);
    ok = save(console.trafficDialog(), out + QStringLiteral("/line-traffic.png")) && ok;
    console.trafficDialog()->hide();

    // The same switcher line over TCP: the network dialog, then the console connected to it.
    QProcess tcpSim;
    tcpSim.start(simProgram, {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--addresses"),
                              QStringLiteral("01,05,12")});
    if (!tcpSim.waitForStarted() ||
        !spinUntil([&] { return tcpSim.canReadLine() || tcpSim.waitForReadyRead(50); }, 10000)) {
        std::fprintf(stderr, "korvex-screenshots: korvex-sim --tcp did not start\n");
        return 1;
    }
    const QString where = QString::fromLatin1(tcpSim.readLine()).trimmed();
    QTimer::singleShot(300, &console, [&] {
        if (auto *dialog = qobject_cast<CNetworkDlg *>(QApplication::activeModalWidget())) {
            ui::control<QComboBox>(dialog, QStringLiteral("Host:"))->setEditText(where);
            settle(200);
            ok = save(dialog, out + QStringLiteral("/network-dialog.png")) && ok;
            ui::control<QPushButton>(dialog, QStringLiteral("Connect"))->click();
        }
    });
    auto *ports = ui::control<QComboBox>(&console, CConsoleDlg::IDC_PORT_LIST);
    ports->setCurrentIndex(CPortList::kNetworkIndex);
    emit ports->activated(CPortList::kNetworkIndex);
    spinUntil([&] { return console.portOn(); }, 10000);
    emit addresses->activated(1);
    settle(1000);
    ok = save(&console, out + QStringLiteral("/console-network.png")) && ok;

    tcpSim.terminate();
    tcpSim.waitForFinished(5000);
    sim.terminate();
    sim.waitForFinished(5000);
    return ok ? 0 : 1;
}
