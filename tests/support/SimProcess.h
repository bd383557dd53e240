#pragma once

#include <QJsonObject>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

// Runs korvex-sim (the program named by the environment variable KORVEX_SIM) for a test: starts it
// with the given arguments, waits for the slave path on its first output line, and stops it again
// (SIGTERM, then SIGKILL after the deadline) at the latest when the object goes.
// With --tcp the first line is the address it listens on ("127.0.0.1:40123"), and slavePath() holds
// that; the line serves one TCP controller at a time, and "hungUp" below turns false again when the
// next one connects.
//
//   testsupport::ScopedTempCwd cwd;
//   testsupport::SimProcess sim({"--link", "COM1", "--state", "sim.json", "--inject", "sim.fifo"});
//   ASSERT_TRUE(sim.started()) << sim.error();
//   sim.inject("A01 SET OUT3 VS IN7");            // as if another controller had sent it
//   QJsonObject dev = testsupport::simDevice(testsupport::readSimState("sim.json"), 1);
//
// The --state file (rewritten atomically after every handled command) reads:
//
// {
//   "commands": 12,            commands handled so far (lines and frames the switchers understood,
//                              whichever device they were addressed to); wait on it to know that
//                              the simulator has taken a command
//   "hungUp": false,           true once --hangup-after has closed the line
//   "devices": [               one object per device, in address order
//     {
//       "address": 1,                       0..99
//       "routing": [9 ints],                outputs 1..9: 0..8 = in1..in9, 9 = MV
//       "mvMode": 0,                        0 or 1 (the console's MV mode)
//       "qvSources": [4 ints],              QV windows 1..4: 0..8 = in1..in9
//       "mvAudio": [9 ints],                outputs 1..9: 1..9 = input, 10 = mute (the console's MV
//                                           audio table entries 1..9)
//       "borderWidth": 1,                   0..15
//       "borderColour": [r, g, b],          0..255 each
//       "edidChoice": [9 ints],             inputs 1..9: the EDID list index 0..13
//       "userEdid": [9 x [3 strings]],      inputs 1..9, user slots 1..3: 512 lower-case hex digits
//       "sinkEdid": [9 strings],            outputs 1..9: the display's EDID, 512 lower-case hex digits
//       "lan": {"dhcp": 0, "host": "192.168.1.100", "mask": "255.255.255.0",
//               "router": "192.168.1.1", "tcpPort": 8000, "mac": "00-1C-91-4B-00-01"},
//       "audioMode": 0,                     0 follow the input, 1 follow the output, 2 independent
//       "audioRouting": [9 ints],           outputs 1..9: 0..8 = in1..in9
//       "audioMute": [9 ints],              outputs 1..9: 0 on, 1 mute
//       "irRoute": [9 ints],                outputs 1..9: 0..3 = IRext1..IRext4
//       "irExtSwitch": [13 ints],           0/1: HDBT1..HDBT9, then IR.ext1..IR.ext4
//       "irEmitter": [9 ints],              0/1: outputs 1..9
//       "rs232": [9 ints],                  0/1: outputs 1..9
//       "wall": [9 x {"x1","y1","x2","y2","rotation"}]
//                                           outputs 1..9: the capture rectangle as on the wire,
//                                           0-based (0..1919, 0..1079; the console's x1 - 1 etc.),
//                                           rotation 0, 90, 180 or 270
//     }
//   ]
// }
//
// Factory state of a device at address a: routing out n -> in n, MV mode 0, QV 1.2.3.4, MV audio
// in1 everywhere, border width 1 colour 255.255.255, EDID choice 0 on every input, user slots hold
// the built-in EDID 0, LAN 192.168.1.100/255.255.255.0/192.168.1.1 port 8000 DHCP off, MAC
// 00-1C-91-4B-00-<a in hex>, audio mode 0, audio out n -> in n all on, IR routes IRext1, HDBT
// flags set and IR.ext flags clear, IR emitters set, RS-232 clear, walls full screen, rotation 0.
//
// The --log file holds one entry per line (see korvex-sim --help): "LINE <text>" for each line
// received on the serial line (CR shown as \r; lines holding only a CR are left out), "INJECT
// <text>" for lines from the FIFO, "FRAME <hex>", "BADFRAME <hex>", "OVERLONG <n>", "HANGUP",
// "DROPPED <n>" (replies nobody read for a second, e.g. while no console had the port open).
class SimProcess {
public:
    SimProcess() = default;
    explicit SimProcess(const std::vector<std::string> &args, int timeoutMs = 10000);
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator; false (with error()) when it cannot be started or prints no path in time.
    bool start(const std::vector<std::string> &args, int timeoutMs = 10000);
    bool started() const { return !m_slavePath.empty(); }
    const std::string &error() const { return m_error; }

    const std::string &slavePath() const { return m_slavePath; }
    pid_t pid() const { return m_pid; }
    bool running();

    // Writes one line to the --inject FIFO; CR LF is added unless the text already ends in LF.
    bool inject(const std::string &line);

    // SIGTERM, wait up to timeoutMs, then SIGKILL. Returns the exit code, 128 + signal when it was
    // killed, -1 when nothing was running.
    int stop(int timeoutMs = 5000);

    // The program under test: $KORVEX_SIM.
    static std::string program();

private:
    bool reap(bool block);

    pid_t m_pid = -1;
    int m_stdout = -1;
    int m_status = -1;
    std::string m_slavePath;
    std::string m_injectPath;
    std::string m_error;
};

// The --state snapshot; an empty object when the file is missing or not JSON.
QJsonObject readSimState(const std::string &path);
// The device with this address in a snapshot; an empty object when there is none.
QJsonObject simDevice(const QJsonObject &state, int address);
// The --log file, one string per entry.
std::vector<std::string> readSimLog(const std::string &path);
// The texts of the log entries with this tag ("LINE", "INJECT", ...), tag and blank removed.
std::vector<std::string> simLogEntries(const std::string &path, const std::string &tag);

} // namespace testsupport
