#include "app/CPortList.h"

#include "serial/PortNaming.h"
#include "serial/PortPresence.h"
#include "ui/Controls.h"

#include <QFileInfo>
#include <QHelpEvent>
#include <QToolTip>
#include <algorithm>

CPortList::CPortList(int id, QWidget *parent) : QComboBox(parent) {
    // The entries go in before the edit field and its completer exist, which then read them once.
    QStringList ports;
    for (unsigned n = session::kFirstPort; n <= session::kLastPort; ++n)
        ports << QStringLiteral("COM%1").arg(n);
    ports << QStringLiteral("Network...");
    addItems(ports);
    ui::setUpList(this, id);
    // As wide as the address list below it, without measuring a hundred entries on the first show.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(22);
    // Links and adapters come and go.
    connect(&m_markTimer, &QTimer::timeout, this, [this] { refreshMarks(); });
    m_markTimer.start(1000);
    // The first look waits until the window is up: it is a file look-up for each of 99 ports.
    QTimer::singleShot(0, this, [this] { refreshMarks(); });
}

unsigned CPortList::chosenPort() const {
    const int index = currentIndex();
    return index >= 0 && index < kNetworkIndex ? static_cast<unsigned>(index) + 1 : 1;
}

void CPortList::setNetworkText(const QString &text) {
    setItemText(kNetworkIndex, text.isEmpty() ? QStringLiteral("Network...") : text);
}

void CPortList::refreshMarks() {
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < kNetworkIndex; ++i) {
        const QVariant want = serial::portPresent(static_cast<unsigned>(i) + 1) ? QVariant(bold) : QVariant();
        if (itemData(i, Qt::FontRole) != want)
            setItemData(i, want, Qt::FontRole);
    }
}

bool CPortList::marked(int index) const {
    return itemData(index, Qt::FontRole).isValid();
}

QString CPortList::noteFailure(unsigned port, const QString &reason) {
    m_failure = QStringLiteral("COM%1: %2").arg(port).arg(reason);
    return m_failure;
}

bool CPortList::clearFailure() {
    const bool had = !m_failure.isEmpty();
    m_failure.clear();
    return had;
}

QString CPortList::pathText() const {
    if (networkChosen())
        return itemText(kNetworkIndex) == QStringLiteral("Network...")
                   ? QStringLiteral("A switcher's LAN port")
                   : QStringLiteral("TCP ") + itemText(kNetworkIndex);
    const unsigned port = chosenPort();
#ifdef Q_OS_WIN
    // A device name, not a file: shown as it is opened.
    QString text = QString::fromStdString(serial::resolvePortPath(port));
#else
    // Resolved when asked: a COMn link in the current folder may come and go.
    const QFileInfo info(QString::fromStdString(serial::resolvePortPath(port)));
    QString text = info.isSymLink() ? info.absoluteFilePath() + QStringLiteral(" -> ") + info.symLinkTarget()
                                    : info.absoluteFilePath();
#endif
    if (m_failure.startsWith(QStringLiteral("COM%1:").arg(port)))
        text += QLatin1Char('\n') + m_failure;
    return text;
}

void CPortList::showPopup() {
    refreshMarks();
    QComboBox::showPopup();
}

bool CPortList::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), pathText(), this);
        return true;
    }
    return QComboBox::event(event);
}
