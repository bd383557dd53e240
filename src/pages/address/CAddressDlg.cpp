#include "pages/address/CAddressDlg.h"

#include "address/AddressFile.h"
#include "protocol/Commands.h"
#include "protocol/TextPrefix.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/Latin1Validator.h"
#include "ui/MessageBox.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString CAddressDlg::kOriginalGroup = QStringLiteral("Original Address");
const QString CAddressDlg::kNewGroup = QStringLiteral("New Address");
const QString CAddressDlg::kDeviceAddress = QStringLiteral("Device Address:");
const QString CAddressDlg::kReadButton = QStringLiteral("Read Address from device");
const QString CAddressDlg::kWriteButton = QStringLiteral("Write Address to device");
const QString CAddressDlg::kSaveButton = QStringLiteral("Save");

namespace {

const QString kPortOff = QStringLiteral("Com port is not on yet.");
const QString kAddressRange = QStringLiteral("Address must be 0 ~ 99 !");
const QString kTableTitle = QStringLiteral(
    "Address Table ( Every edit box is 2 digital mode. Max number of char in Description is 10)");
const QString kOneDeviceNote =
    QStringLiteral("Note: When read or write address, there should be only one device is connected.");
const QString kSaveNote = QStringLiteral(
    "Note: Please save the setting before you close the address mangerment dialog. Otherwise the data "
    "will be ignored. Address must be from 00 to 99. Address 00 is for broadcast to all devices.");

constexpr int kRowsPerColumn = 16;

// The files hold one byte per character; the edits only take text Latin-1 can hold.
std::string toLatin1(const QString &text) {
    return text.toLatin1().toStdString();
}

QString fromLatin1(const std::string &text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit *tableEdit(const QString &name, const QString &widest, QWidget *parent) {
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(widest) + 16);
    return edit;
}

// Typing stops at two characters, yet an address outside 00..99 from a hand-edited file shows whole
// (a length limit would cut 150 to 15), so that "Save" refuses it instead of storing another device.
QLineEdit *addressEdit(int entry, QWidget *parent) {
    QLineEdit *edit = tableEdit(CAddressDlg::addressEditName(entry), QStringLiteral("000"), parent);
    edit->setValidator(new ui::Latin1Validator(edit, CAddressDlg::kAddressChars));
    return edit;
}

QLineEdit *descriptionEdit(int entry, QWidget *parent) {
    QLineEdit *edit =
        tableEdit(CAddressDlg::descriptionEditName(entry), QStringLiteral("WWWWWWWWWW"), parent);
    edit->setMaxLength(CAddressDlg::kDescriptionChars);
    edit->setValidator(new ui::Latin1Validator(edit));
    return edit;
}

} // namespace

QString CAddressDlg::addressEditName(int entry) {
    return QStringLiteral("Address %1").arg(entry);
}

QString CAddressDlg::descriptionEditName(int entry) {
    return QStringLiteral("Description %1").arg(entry);
}

CAddressDlg::CAddressDlg(session::IDeviceConsole *console, address::AddressTable &table, QWidget *parent)
    : QDialog(parent), DeviceView(this, console), m_table(table) {
    setObjectName(QStringLiteral("CAddressDlg"));
    setWindowTitle(QStringLiteral("Device Address Management"));
}

// The controls are built the first time the dialog is shown or handed out: the window keeps the
// dialog for its whole life, but most runs never open it.
void CAddressDlg::ensureBuilt() {
    if (m_oldAddressEdit)
        return;
    auto *read = ui::makeButton(kReadButton, this);
    auto *write = ui::makeButton(kWriteButton, this);
    auto *save = ui::makeButton(kSaveButton, this);
    auto *addressRow = new QHBoxLayout;
    addressRow->addWidget(buildAddressGroup(kOriginalGroup, read, m_oldAddressEdit));
    addressRow->addWidget(buildAddressGroup(kNewGroup, write, m_newAddressEdit));

    auto *saveNote = new QLabel(kSaveNote, this);
    saveNote->setWordWrap(true);
    auto *saveRow = new QHBoxLayout;
    saveRow->addWidget(saveNote, 1);
    saveRow->addWidget(save, 0, Qt::AlignTop);

    auto *root = new QVBoxLayout(this);
    root->addLayout(addressRow);
    root->addWidget(new QLabel(kOneDeviceNote, this));
    root->addWidget(buildTableGroup());
    root->addLayout(saveRow);
    root->setSizeConstraint(QLayout::SetFixedSize);

    connect(read, &QPushButton::clicked, this, [this] { ReadDeviceAddress(); });
    connect(write, &QPushButton::clicked, this, [this] { WriteDeviceAddress(); });
    connect(save, &QPushButton::clicked, this, [this] { SaveAddressFile(); });

    takeTableIntoEdits();
    updateData(false);
}

void CAddressDlg::setVisible(bool visible) {
    if (visible)
        ensureBuilt();
    QDialog::setVisible(visible);
}

QGroupBox *CAddressDlg::buildAddressGroup(const QString &title, QPushButton *button, QLineEdit *&edit) {
    auto *group = new QGroupBox(title, this);
    group->setObjectName(title);
    edit = new QLineEdit(group);
    edit->setObjectName(kDeviceAddress);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    auto *layout = new QHBoxLayout(group);
    layout->addWidget(new QLabel(kDeviceAddress, group));
    layout->addWidget(edit);
    layout->addStretch(1);
    layout->addWidget(button);
    return group;
}

QWidget *CAddressDlg::buildTableGroup() {
    auto *group = new QGroupBox(kTableTitle, this);
    group->setObjectName(kTableTitle);
    auto *grid = new QGridLayout(group);
    grid->setVerticalSpacing(3);
    // Two columns of 16 rows: index label, address edit, description edit; a gap between them.
    for (int half = 0; half < 2; ++half) {
        const int col = half * 4;
        grid->addWidget(new QLabel(QStringLiteral("Index"), group), 0, col, Qt::AlignRight | Qt::AlignBottom);
        grid->addWidget(new QLabel(QStringLiteral("Device\nAddress"), group), 0, col + 1, Qt::AlignBottom);
        grid->addWidget(new QLabel(QStringLiteral("Description"), group), 0, col + 2, Qt::AlignBottom);
        for (int row = 0; row < kRowsPerColumn; ++row) {
            const int entry = half * kRowsPerColumn + row + 1;
            grid->addWidget(new QLabel(QStringLiteral("%1:").arg(entry), group), row + 1, col,
                            Qt::AlignRight);
            const auto at = static_cast<std::size_t>(entry - 1);
            m_addressEdits[at] = addressEdit(entry, group);
            m_descriptionEdits[at] = descriptionEdit(entry, group);
            grid->addWidget(m_addressEdits[at], row + 1, col + 1);
            grid->addWidget(m_descriptionEdits[at], row + 1, col + 2);
        }
    }
    // Room the title leaves over goes between the two columns, not into them.
    grid->setColumnMinimumWidth(3, 24);
    grid->setColumnStretch(3, 1);
    return group;
}

void CAddressDlg::takeTableIntoEdits() {
    for (std::size_t i = 0; i < m_table.entries.size(); ++i) {
        const address::AddressEntry &entry = m_table.entries[i];
        m_addressTexts[i] = QStringLiteral("%1").arg(entry.address, 2, 10, QLatin1Char('0'));
        m_descriptions[i] = fromLatin1(entry.description);
    }
}

void CAddressDlg::showEvent(QShowEvent *event) {
    if (!event->spontaneous())
        onInitDialog();
    QDialog::showEvent(event);
}

void CAddressDlg::onInitDialog() {
    // Every opening starts from the table; the old and new address are the ones kept.
    takeTableIntoEdits();
    updateData(false);
}

void CAddressDlg::keyPressEvent(QKeyEvent *event) {
    // Enter stays with the edit that has the focus: it neither presses a button nor closes the dialog.
    // Escape closes it, as the title bar does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CAddressDlg::updateData(bool take) {
    if (!m_oldAddressEdit)
        return true;
    return exchange(take) == TakeStop::None;
}

CAddressDlg::TakeStop CAddressDlg::exchange(bool take) {
    const auto direction = take ? ui::Exchange::Take : ui::Exchange::Refresh;
    if (!ui::Exchange(this, direction)
             .unsignedEdit(m_oldAddressEdit, m_oldAddress, 0, protocol::kMaxDeviceAddress)
             .ok())
        return TakeStop::OldAddress;
    if (!ui::Exchange(this, direction)
             .unsignedEdit(m_newAddressEdit, m_newAddress, 0, protocol::kMaxDeviceAddress)
             .ok())
        return TakeStop::NewAddress;
    ui::Exchange table(this, direction);
    for (std::size_t i = 0; i < kEntryCount; ++i)
        table.text(m_addressEdits[i], m_addressTexts[i]).text(m_descriptionEdits[i], m_descriptions[i]);
    return TakeStop::None;
}

void CAddressDlg::onReply(const protocol::Reply &reply) {
    const auto *addr = std::get_if<protocol::AddressReply>(&reply);
    if (!addr || !addr->address)
        return;
    m_oldAddress = static_cast<unsigned>(*addr->address);
    // Only the old address is shown: what the operator is typing in the other edits stays.
    if (isOpen())
        ui::Exchange(this, ui::Exchange::Refresh).unsignedEdit(m_oldAddressEdit, m_oldAddress);
}

void CAddressDlg::ReadDeviceAddress() {
    if (!portOn()) {
        ui::messageBox(this, kPortOff);
        return;
    }
    send(protocol::buildGetAddress()); // "A00 ...": every device on the line answers
}

void CAddressDlg::WriteDeviceAddress() {
    const TakeStop stop = exchange(true);
    if (stop == TakeStop::NewAddress) {
        // A number above 99 was refused by the range check; it cannot become two digits either.
        unsigned typed = 0;
        if (ui::parseUnsigned(m_newAddressEdit->text(), typed) &&
            typed > static_cast<unsigned>(protocol::kMaxDeviceAddress))
            ui::messageBox(this, kAddressRange);
    }
    if (stop != TakeStop::None)
        return; // nothing is sent on a value that could not be read
    const std::optional<std::string> line =
        protocol::buildSetAddress(console()->deviceByte(), static_cast<int>(m_newAddress));
    if (!line)
        return; // the console's device byte is always 0..99; nothing else could form the line
    if (!portOn()) {
        ui::messageBox(this, kPortOff);
        return;
    }
    send(*line); // "Ann SET ADDR mm" carries the current device's own prefix
    updateData(false);
}

void CAddressDlg::SaveAddressFile() {
    if (!updateData(true))
        return; // a value that could not be read saves nothing
    std::array<std::string, kEntryCount> addresses;
    std::array<std::string, kEntryCount> descriptions;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        addresses[i] = toLatin1(m_addressTexts[i]);
        descriptions[i] = toLatin1(m_descriptions[i]);
    }
    const std::vector<std::string> messages = address::SaveAddressFile(m_table, addresses, descriptions);
    for (const std::string &message : messages)
        ui::messageBox(this, QString::fromStdString(message));
    if (messages.empty()) {
        // Show what the file now holds ("7" as 07, an empty description as its one space).
        takeTableIntoEdits();
        updateData(false);
    }
}
