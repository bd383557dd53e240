#pragma once

#include "session/TrafficLog.h"

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QLabel;
class QPlainTextEdit;

// "Line traffic": every line sent and received on the line, with its time and direction, as text or
// hexadecimal; the last 10,000 lines are kept. It only watches: the device session reports the bytes
// it gives the transport and the bytes the transport delivers, and nothing done here changes what is
// sent or parsed. The window owns it for its whole life, so it records while it is closed too.
class CTrafficDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTrafficDlg(QWidget *parent = nullptr, std::size_t capacity = TrafficLog::kDefaultCapacity);

    void recordSent(const std::uint8_t *data, std::size_t size);
    void recordReceived(const std::uint8_t *data, std::size_t size);

    const TrafficLog &log() const { return m_log; }
    // The shown lines, one per entry, as "Save as..." writes them.
    QString shownText() const;
    void setHex(bool hex);
    // Asks for a file and writes the shown lines to it.
    void SaveAs();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void ensureBuilt() const;
    void buildControls();
    void appendNewest(std::size_t count);
    void render();

    TrafficLog m_log;
    QPlainTextEdit *m_view = nullptr;
    QCheckBox *m_hex = nullptr;
    QLabel *m_count = nullptr;
};
