#pragma once

#include "session/PortNumbers.h"

#include <QComboBox>
#include <QTimer>

// The "Comm:" list (1106): "COM1".."COM99", a choice only from the list, the ports whose device is
// there shown in bold (looked at again every second and whenever the list opens), and a tooltip
// with the device path the chosen port opens plus why the last port that failed did not open.
class CPortList : public QComboBox {
    Q_OBJECT
public:
    explicit CPortList(int id, QWidget *parent = nullptr);

    // The last entry, after COM99: "Network...", or "host:port" once a switcher's LAN port is chosen.
    static constexpr int kNetworkIndex = static_cast<int>(session::kLastPort);

    // 1-based port number of the choice (1 when there is none or it is the network entry).
    unsigned chosenPort() const;
    bool networkChosen() const { return currentIndex() == kNetworkIndex; }
    // The network entry's text: "host:port", or "Network..." for an empty one.
    void setNetworkText(const QString &text);

    void refreshMarks();
    bool marked(int index) const;

    // Remembers why port n did not open and returns the status text for it ("COMn: why").
    QString noteFailure(unsigned port, const QString &reason);
    // A port opened: the remembered reason goes. True when there was one.
    bool clearFailure();

    QString pathText() const;

    void showPopup() override;

protected:
    bool event(QEvent *event) override;

private:
    QTimer m_markTimer;
    QString m_failure; // "COMn: why" for the last port that did not open, until one opens
};
