#pragma once

#include "address/AddressTable.h"
#include "pages/base/DeviceView.h"

#include <QDialog>
#include <QString>
#include <array>

class QGroupBox;
class QLineEdit;
class QPushButton;

// Device Address Management: edits the console's address table and saves it to KorvexAddrMG.ini,
// and reads or sets the address of a single switcher on the line. The console window keeps one for
// its whole life and runs it modally; the object keeps the old and new address between openings and
// hears the "ADDR " reply all the time: the old address shows at once while the dialog is open, at
// the next opening otherwise. Each opening starts the table edits from the table.
class CAddressDlg : public QDialog, public DeviceView {
    Q_OBJECT
public:
    static constexpr int kEntryCount = static_cast<int>(address::kEntryCount);
    static constexpr int kAddressChars = 2;
    static constexpr int kDescriptionChars = 10;

    // Names of the controls, which have no identifiers.
    static const QString kOriginalGroup; // group of the old address and "Read Address from device"
    static const QString kNewGroup;      // group of the new address and "Write Address to device"
    static const QString kDeviceAddress; // the address edit in each of those two groups
    static const QString kReadButton;
    static const QString kWriteButton;
    static const QString kSaveButton;
    static QString addressEditName(int entry);     // "Address 1" .. "Address 32"
    static QString descriptionEditName(int entry); // "Description 1" .. "Description 32"

    CAddressDlg(session::IDeviceConsole *console, address::AddressTable &table, QWidget *parent = nullptr);

    // The address-dialog-open flag: set while the dialog is on screen.
    bool isOpen() const { return isVisible(); }

    void onReply(const protocol::Reply &reply) override;

    // Exchanges the members with every edit: take = true reads and checks them (the first bad edit
    // shows its message, keeps the focus and the exchange stops there: returns false), take = false
    // shows the members.
    bool updateData(bool take);

    // Builds the controls now if they are not yet.
    void ensureBuilt();
    void setVisible(bool visible) override;

    // The three buttons.
    void ReadDeviceAddress();
    void WriteDeviceAddress();
    void SaveAddressFile();

    unsigned oldAddress() const { return m_oldAddress; }
    unsigned newAddress() const { return m_newAddress; }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The edit a take stopped at (the table's text edits cannot fail).
    enum class TakeStop { None, OldAddress, NewAddress };
    TakeStop exchange(bool take);

    QGroupBox *buildAddressGroup(const QString &title, QPushButton *button, QLineEdit *&edit);
    QWidget *buildTableGroup();
    void onInitDialog();
    void takeTableIntoEdits();

    address::AddressTable &m_table;
    QLineEdit *m_oldAddressEdit = nullptr;
    QLineEdit *m_newAddressEdit = nullptr;
    std::array<QLineEdit *, kEntryCount> m_addressEdits{};
    std::array<QLineEdit *, kEntryCount> m_descriptionEdits{};

    unsigned m_oldAddress = 0;
    unsigned m_newAddress = 0;
    std::array<QString, kEntryCount> m_addressTexts;
    std::array<QString, kEntryCount> m_descriptions;
};
