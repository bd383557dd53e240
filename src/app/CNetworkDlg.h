#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;

// "Network...": where a switcher's LAN port is, host name or address and TCP port (8000 unless
// given). The hosts reached before are offered again, newest first, from the user's settings.
class CNetworkDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr unsigned kDefaultPort = 8000;
    static constexpr int kRecentCount = 10;

    explicit CNetworkDlg(QWidget *parent = nullptr);

    QString host() const;
    unsigned port() const;
    // "host:port", "[v6]:port", "host" or a bare IPv6 address as typed: the host, and the port (the
    // default when none is given).
    static QString splitAddress(const QString &text, unsigned &port);
    // Puts "host:port" first in the recent hosts (kept in the user's settings).
    static void remember(const QString &host, unsigned port);
    static QStringList recentHosts();

private:
    void accept() override;
    void choose(const QString &recent);

    QComboBox *m_host = nullptr;
    QLineEdit *m_port = nullptr;
    unsigned m_portValue = kDefaultPort;
};
