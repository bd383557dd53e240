#pragma once

#include "pages/base/DeviceView.h"

#include <QWidget>
#include <array>

class QAbstractButton;
class QComboBox;
class QPushButton;
class QToolButton;

// The multiview column beside the pages: the MV layout mode, the input of each of the four quick-view
// windows and the audio that goes with the MV picture on each output. Each operator action updates
// the panel's copy of that state and, with the port on, sends one command; the "MVW ", "QVW VS" and
// " MAS " replies update the same state.
class CMultiviewPanel : public QWidget, public DeviceView {
    Q_OBJECT
public:
    enum ControlId {
        IDC_QV_WINDOW1 = 1101, // .. 1104
        IDC_MV_ICON = 1254,
        IDC_MV_BUTTON = 1255,
        IDC_AUDIO_INPUT = 1354,
        IDC_AUDIO_OUTPUT = 1355,
    };
    static constexpr std::array<int, 9> kQvInputIds{1340, 1341, 1342, 1343, 1344, 1349, 1350, 1351, 1352};

    explicit CMultiviewPanel(session::IDeviceConsole *console, QWidget *parent = nullptr);

    void ToggleMvMode(bool fromIcon);
    void SelectQvWindow();
    void SetQvSource();
    void SetMvAudio();
    void ShowMvAudio();

    void onReply(const protocol::Reply &reply) override;

    // Exchanges the two radio groups with the QV window and input choices.
    bool updateData(bool take);

    int mvMode() const { return m_mvMode; }
    const std::array<int, 4> &qvSources() const { return m_qvSources; }
    const std::array<int, 10> &mvAudioTable() const { return m_mvAudio; }

private:
    void setMvMode(int mode);
    void applyQvChoices();
    void applyMvAudioLists();
    void selectMvAudioInput(int source);

    std::array<QAbstractButton *, 4> m_qvWindowRadios{};
    std::array<QAbstractButton *, 9> m_qvInputRadios{};
    QComboBox *m_audioOutputList = nullptr;
    QComboBox *m_audioInputList = nullptr;
    QToolButton *m_mvIcon = nullptr;
    QPushButton *m_mvButton = nullptr;

    int m_mvMode = 0;
    int m_qvWindowChoice = -1;
    int m_qvInputChoice = -1;
    std::array<int, 4> m_qvSources{-1, -1, -1, -1};
    std::array<int, 10> m_mvAudio{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};
