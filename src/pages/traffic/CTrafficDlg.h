#pragma once

#include "session/DeviceSession.h"
#include "session/TrafficLog.h"

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPlainTextEdit;

// "Line traffic": every line sent and received on the line, with its time and direction, as text or
// hexadecimal; the last 10,000 lines are kept. It only watches: it observes the device session, which
// reports the bytes it gives the transport and the bytes the transport delivers, and nothing done here
// changes what is sent or parsed. The window owns it for its whole life, so it records while it is
// closed too.
class CTrafficDlg : public QDialog, private session::ISessionObserver {
    Q_OBJECT
public:
    explicit CTrafficDlg(session::DeviceSession *session, QWidget *parent = nullptr,
                         std::size_t capacity = session::TrafficLog::kDefaultCapacity);
    ~CTrafficDlg() override;

    const session::TrafficLog &log() const { return m_log; }
    // The shown lines, one per entry, as "Save as..." writes them.
    QString shownText() const;
    void setHex(bool hex);
    // Asks for a file and writes the shown lines to it.
    void saveAs();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onBytesSent(const std::uint8_t *data, std::size_t size) override;
    void onBytesReceived(const std::uint8_t *data, std::size_t size) override;
    void ensureBuilt() const;
    void buildControls();
    void appendNewest(std::size_t count);
    void render();

    session::DeviceSession *m_session;
    session::TrafficLog m_log;
    QPlainTextEdit *m_view = nullptr;
    QCheckBox *m_hex = nullptr;
    QLabel *m_count = nullptr;
};
