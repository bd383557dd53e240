#pragma once

#include "pages/base/CConsolePage.h"

#include <array>
#include <optional>
#include <string>

class QAbstractButton;
class QComboBox;

// The SETTING page: everything that travels with the outputs besides video. De-embedded audio mode,
// routing and on/mute; the external IR input that feeds each HDBaseT output's IR out; which HDBaseT
// links and external IR inputs the matrix takes IR control from; the IR emitter outputs; RS-232
// routing. Each operator action sends one command; the "EAS ", " EXA ", "EXA MODE", "RS MUX",
// "IRT OUT", "IR EXT SW" and "IRC MUX" replies write the members and lists and refresh the page.
//
// The lists hold their own state (a reply selects an entry directly); the check boxes and radios are
// exchanged with the members by updateData.
class CSettingPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 182;
    static constexpr int kOutputCount = 9;
    static constexpr int kExternalIrCount = 4;

    enum ControlId {
        IDC_FOLLOW_INPUT = 1339, // "Follow the output" 1340, "Independent routing" 1341
        IDC_IR_EMITTER1 = 1256,  // .. 1264, "IR Emitter from:" "Out1".."Out9"
        IDC_AUDIO_ROUTE1 = 1274, // .. 1282, "Independent Audio Routing" "Out1:".."Out9:"
        IDC_HDBT1 = 1330,        // .. 1338, "HDBT1".."HDBT9"
        IDC_RS232_OUT1 = 1344,   // .. 1352, "RS232 Routed To:" "Out1".."Out9"
        IDC_IR_ROUTE1 = 1353,    // .. 1361, "Out1 from:".."Out9 from:"
        IDC_IR_ROUTE_ALL = 1362, // "All from:"
        IDC_IR_EXT1 = 1363,      // .. 1366, "IR.ext1".."IR.ext4"
    };

    // "On" and "Mute" radios of output 1..9 (0 outside).
    static int audioOnId(int output);
    static int audioMuteId(int output);

    explicit CSettingPage(session::IDeviceConsole *console, QWidget *parent = nullptr);

    // take = true reads the check boxes and radios into the members, take = false writes the members
    // into them. The lists are not part of the exchange.
    bool updateData(bool take) override;

protected:
    void buildControls() override;
    void applyReply(const protocol::Reply &reply) override;

private:
    QWidget *buildAudioModeGroup();
    QWidget *buildAudioRoutingGroup();
    QWidget *buildIrRouteGroup();
    QWidget *buildMatrixIrGroup();
    QWidget *buildAudioOnGroup();

    void onAudioMode(int mode);
    void onAudioRoute(int output);
    void onAudioOn(int output);
    void onIrRoute(int output);
    void onIrRouteAll();
    void onMatrixIr();
    void onIrEmitter();
    void onRs232();

    std::array<QComboBox *, kOutputCount> m_irRouteLists{};
    QComboBox *m_irRouteAllList = nullptr;
    std::array<QComboBox *, kOutputCount> m_audioRouteLists{};
    std::array<QAbstractButton *, 3> m_audioModeRadios{};
    std::array<std::array<QAbstractButton *, 2>, kOutputCount> m_audioOnRadios{}; // "On", "Mute"
    std::array<QAbstractButton *, kOutputCount> m_irEmitterBoxes{};
    std::array<QAbstractButton *, kOutputCount> m_rs232Boxes{};
    std::array<QAbstractButton *, kOutputCount> m_hdbtBoxes{};
    std::array<QAbstractButton *, kExternalIrCount> m_externalIrBoxes{};

    std::array<int, kOutputCount> m_irEmitter{};
    int m_audioMode = -1;
    std::array<int, kOutputCount> m_audioMute{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::array<int, kOutputCount> m_hdbtIr{};
    std::array<int, kOutputCount> m_rs232{};
    std::array<int, kExternalIrCount> m_externalIr{};
};
