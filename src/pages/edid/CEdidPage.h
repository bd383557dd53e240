#pragma once

#include "edid/EdidDecoder.h"
#include "pages/base/CConsolePage.h"

#include <QString>
#include <QTimer>
#include <array>
#include <chrono>
#include <string>

class QComboBox;
class QPlainTextEdit;

// The EDID MANAGEMENT page: the EDID each input presents to its source, reading an EDID from an
// output or input port into a numbered .bin file, and loading a .bin file into a user slot of an
// input. The page also owns the EDID capture: after "Read" it takes the received lines through the
// raw-line hook until the dump line has been saved and decoded, 5 s have passed, or the link resets.
class CEdidPage : public CConsolePage {
    Q_OBJECT
public:
    static constexpr int kTemplate = 180;
    static constexpr int kInputCount = 9;
    static constexpr int kOutputCount = 9;

    enum ControlId {
        IDC_READ = 1096,
        IDC_LOAD = 1097,
        IDC_BASIC_INFO = 1110,
        IDC_READ_PORT = 1273,
        IDC_USER_SLOT = 1274,
    };
    // The "EDID:" list and the "Apply to Input<n>" button of inputs 1..9.
    static constexpr std::array<int, kInputCount> kEdidListIds{1255, 1257, 1259, 1261, 1263,
                                                               1265, 1267, 1269, 1271};
    static constexpr std::array<int, kInputCount> kApplyIds{1254, 1256, 1258, 1260, 1262,
                                                            1264, 1266, 1268, 1270};
    static constexpr std::chrono::milliseconds kCaptureTimeout{5000};

    explicit CEdidPage(session::IDeviceConsole *console, QWidget *parent = nullptr);

    // The capture: while it waits, every received line comes here; the dump line is saved and
    // decoded, any other line is dropped.
    bool takesRawLines() const override { return m_captureArmed; }
    void onRawLine(std::string_view line) override;
    void onLinkReset() override { endCapture(); }

    // Exchanges the members with the controls (nothing here can fail validation).
    bool updateData(bool take) override;

    void onApply(int input);
    void onRead();
    void onLoad();

    // The choice index of an input's list (-1 none); -1 for an input outside 1..9.
    int edidChoice(int input) const;
    // The summary the box shows, as the decoder wrote it (CR LF line ends).
    const std::string &basicInfo() const { return m_basicInfo; }
    bool captureArmed() const { return m_captureArmed; }
    // The name stem of the files the armed capture saves to ("Matrix_EDID_out3_").
    const std::string &captureStem() const { return m_captureStem; }
    // How long a capture waits for its dump line; tests shorten it.
    void setCaptureTimeout(std::chrono::milliseconds timeout) { m_captureTimer.setInterval(timeout); }

protected:
    void buildControls() override;
    // The "EDID " reply: an input's EDID choice.
    void applyReply(const protocol::Reply &reply) override;

private:
    QWidget *buildInputColumn();
    QWidget *buildPortColumn();
    void armCapture(std::string stem);
    void endCapture();
    void saveCapture(std::string_view line);

    QPlainTextEdit *m_infoBox = nullptr;
    std::array<QComboBox *, kInputCount> m_edidLists{};
    QComboBox *m_readPortList = nullptr;
    QComboBox *m_userSlotList = nullptr;

    std::array<int, kInputCount> m_edidChoice{-1, -1, -1, -1, -1, -1, -1, -1, -1};
    int m_readPort = -1; // 0..8 "Out port 1".."Out port9", 9..17 "In port 1".."In port 9"
    int m_userSlot = -1; // 3 x (input - 1) + (slot - 1)
    std::string m_basicInfo;

    bool m_captureArmed = false;
    std::string m_captureStem;
    QTimer m_captureTimer;
    edid::EdidDecoder m_decoder;
};
