#include "app/CConsoleDlg.h"

#include "address/AddressFile.h"
#include "app/CAboutDlg.h"
#include "app/CPortList.h"
#include "app/PageTable.h"
#include "pages/address/CAddressDlg.h"
#include "pages/base/CConsolePage.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "pages/traffic/CTrafficDlg.h"
#include "protocol/Commands.h"
#include "protocol/TextPrefix.h"
#include "res/Resources.h"
#include "res/Version.h"
#include "ui/Controls.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

CConsoleDlg::CConsoleDlg(QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Korvex  V") + QStringLiteral(KORVEX_VERSION));
    m_model.attach(m_session); // before the pages: the model has each reply first
    m_traffic = new CTrafficDlg(&m_session, this);
    m_portControl = new CPortControl(m_session, this);
    buildControls();
    m_addressDlg = new CAddressDlg(&m_session, m_addressTable, this);
    auto *trafficKey = new QShortcut(QKeySequence(QStringLiteral("Ctrl+T")), this);
    connect(trafficKey, &QShortcut::activated, this, [this] { showTraffic(); });
    onInitDialog();
}

CConsoleDlg::~CConsoleDlg() {
    // The line first: its worker may be handing bytes to the window. Then the pages, the panel and
    // the address dialog, while the session whose sink list they leave is still alive.
    delete m_portControl;
    disconnect(m_tab, nullptr, this, nullptr); // removing tabs must not reach ShowSelectedPage
    delete m_addressDlg;
    delete m_multiview;
    const std::vector<CConsolePage *> pages = std::move(m_pages);
    m_pages.clear();
    for (CConsolePage *p : pages)
        delete p;
    delete m_traffic; // it observes the session too
    m_traffic = nullptr;
}

void CConsoleDlg::buildControls() {
    // Address row: "Address:", the address list, "Address Management".
    m_addressList = new QComboBox(this);
    m_addressList->addItem(QStringLiteral("All: 00(all devices)"));
    for (int n = 1; n <= static_cast<int>(address::kEntryCount); ++n)
        m_addressList->addItem(QString());
    ui::setUpList(m_addressList, IDC_ADDRESS_LIST);
    m_addressList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_addressList->setMinimumContentsLength(22);
    auto *addressButton = ui::makeButton(QStringLiteral("Address Management"), IDC_ADDRESS_BUTTON, this);

    CPortControl &port = *m_portControl;
    auto *top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Comm:"), this), 0, 0);
    top->addWidget(port.portList(), 0, 1);
    top->addWidget(port.portButton(), 0, 2);
    top->addWidget(port.portIcon(), 0, 3);
    top->addWidget(port.searchButton(), 0, 4);
    top->addWidget(port.statusLabel(), 0, 5);
    top->addWidget(new QLabel(QStringLiteral("Address:"), this), 1, 0);
    top->addWidget(m_addressList, 1, 1, 1, 1);
    top->addWidget(addressButton, 1, 2, 1, 3);
    top->setColumnStretch(6, 1);

    // The tab control; the pages of the page table come in during initialisation.
    m_tab = ui::withId(new QTabWidget(this), IDC_TAB);
    m_multiview = new CMultiviewPanel(&m_session, this);
    auto *middle = new QHBoxLayout;
    middle->addWidget(m_multiview, 0);
    middle->addWidget(m_tab, 1);

    auto *root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addLayout(middle, 1);

    connect(m_tab, &QTabWidget::currentChanged, this, [this] { ShowSelectedPage(); });
    connect(m_addressList, &QComboBox::activated, this, [this] { SelectAddress(); });
    connect(addressButton, &QPushButton::clicked, this, [this] { OpenAddressDialog(); });
}

void CConsoleDlg::onInitDialog() {
    const QIcon appIcon = res::icon(res::IDR_MAINFRAME);
    setWindowIcon(appIcon);
    if (qApp)
        qApp->setWindowIcon(appIcon);
    m_addressList->setCurrentIndex(0);

    // The tabs and their pages in table order, then each page's own start-up step (the VIDEO WALL
    // page reads KorvexVW.ini), then the address table: the files are read in this order. Only the
    // page on show builds its controls now; the others build theirs as soon as the window is up.
    {
        CConsolePage::DeferBuilding later;
        for (const PageEntry &entry : pageTable()) {
            CConsolePage *p = entry.create(&m_session, m_tab);
            m_pages.push_back(p);
            m_tab->addTab(p, QString::fromLatin1(entry.title));
        }
    }
    for (CConsolePage *p : m_pages)
        p->onInitPage();
    m_tab->setCurrentIndex(0);
    ShowSelectedPage();
    LoadAddressFile();
}

bool CConsoleDlg::event(QEvent *event) {
    if (event->type() != QEvent::UpdateRequest || m_pagesQueued)
        return QDialog::event(event);
    // The window's first paint: the pages not on show build their controls right after it.
    const bool handled = QDialog::event(event);
    m_pagesQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            for (CConsolePage *p : m_pages)
                p->ensureBuilt();
        },
        Qt::QueuedConnection);
    return handled;
}

CConsolePage *CConsoleDlg::page(int templateNumber) const {
    for (CConsolePage *p : m_pages) {
        if (p->templateNumber() == templateNumber) {
            p->ensureBuilt();
            return p;
        }
    }
    return nullptr;
}

void CConsoleDlg::ShowSelectedPage() {
    const int selected = m_tab->currentIndex();
    for (std::size_t i = 0; i < m_pages.size(); ++i) {
        if (static_cast<int>(i) == selected)
            m_pages[i]->ensureBuilt();
        m_pages[i]->setVisible(static_cast<int>(i) == selected);
    }
}

// ---- address table and list -------------------------------------------------------------------

void CConsoleDlg::LoadAddressFile() {
    for (const std::string &message : address::LoadAddressFile(m_addressTable))
        ui::messageBox(this, QString::fromStdString(message));
    RefreshAddressList();
}

// The device byte of address list entry listIndex (0 = all devices). An entry whose address is not
// a device address (above 99, from a hand-edited file) is refused with a message: a prefix or frame
// byte made from it would reach some other switcher.
bool CConsoleDlg::deviceByteOfEntry(int listIndex, std::uint8_t &device) {
    if (listIndex <= 0) {
        device = 0;
        return true;
    }
    const unsigned address = m_addressTable.entries[static_cast<std::size_t>(listIndex - 1)].address;
    if (address > protocol::kMaxDeviceAddress) {
        ui::messageBox(this, QStringLiteral("The address %1 of entry No.%2 is not a device address (00 to "
                                            "99). Correct it in Address Management.")
                                 .arg(address)
                                 .arg(listIndex));
        return false;
    }
    device = static_cast<std::uint8_t>(address);
    return true;
}

void CConsoleDlg::RefreshAddressList() {
    const int selected = m_addressList->currentIndex();
    for (int n = 1; n <= static_cast<int>(address::kEntryCount); ++n) {
        const address::AddressEntry &entry = m_addressTable.entries[static_cast<std::size_t>(n - 1)];
        // Descriptions are Latin-1, one byte per character, as the file holds them.
        m_addressList->setItemText(n, QString::fromLatin1(address::addressListText(n, entry)));
    }
    m_addressList->setCurrentIndex(selected);
    if (selected < 1)
        return;
    std::uint8_t device = 0;
    const bool valid = deviceByteOfEntry(selected, device);
    m_session.setDeviceByte(valid ? device : 0);
    m_addressChoice = valid ? selected : 0;
    if (!valid)
        m_addressList->setCurrentIndex(0);
}

void CConsoleDlg::SelectAddress() {
    const int selected = m_addressList->currentIndex();
    std::uint8_t device = 0;
    if (!deviceByteOfEntry(selected, device)) {
        // Back to the entry the device byte still belongs to; nothing is sent.
        m_addressList->setCurrentIndex(m_addressChoice);
        return;
    }
    m_session.setDeviceByte(device);
    m_addressChoice = std::max(0, selected);
    if (m_session.portOn())
        m_session.SendText(protocol::buildGetStatus()); // the new device answers with all its status
}

CAddressDlg *CConsoleDlg::addressDialog() const {
    m_addressDlg->ensureBuilt();
    return m_addressDlg;
}

void CConsoleDlg::OpenAddressDialog() {
    // The list is refreshed after every closing, saved or not.
    m_addressDlg->exec();
    RefreshAddressList();
}

// ---- window behaviour -------------------------------------------------------------------------

void CConsoleDlg::showTraffic() {
    m_traffic->show();
    m_traffic->raise();
    m_traffic->activateWindow();
}

void CConsoleDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CConsoleDlg::keyPressEvent(QKeyEvent *event) {
    // Enter and Escape end the program, as the close box does.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        accept();
        return;
    case Qt::Key_Escape:
        reject();
        return;
    case Qt::Key_F1:
        showAbout();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void CConsoleDlg::contextMenuEvent(QContextMenuEvent *event) {
    // The window's menu: the line traffic view, then the About entry when its text is not empty.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("systemMenu"));
    QAction *traffic = menu.addAction(QStringLiteral("Line traffic..."));
    traffic->setShortcut(QKeySequence(QStringLiteral("Ctrl+T")));
    connect(
        traffic, &QAction::triggered, this, [this] { showTraffic(); }, Qt::QueuedConnection);
    QAction *reconnect = menu.addAction(QStringLiteral("Reconnect automatically"));
    reconnect->setCheckable(true);
    reconnect->setChecked(m_portControl->reconnectEnabled());
    connect(reconnect, &QAction::toggled, this, [this](bool on) { m_portControl->setReconnectEnabled(on); });
    const QString about = res::string(res::IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        menu.addSeparator();
        QAction *entry = menu.addAction(about);
        connect(
            entry, &QAction::triggered, this, [this] { showAbout(); }, Qt::QueuedConnection);
    }
    menu.exec(event->globalPos());
}

bool CConsoleDlg::portMarked(int index) const {
    return m_portControl->portList()->marked(index);
}

QString CConsoleDlg::portPathText() const {
    return m_portControl->portList()->pathText();
}
