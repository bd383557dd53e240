#include "pages/wall/CPresetDlg.h"

#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/MessageBox.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *actionButton(const char *caption, QWidget *parent) {
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(caption));
    // Enter in an edit must not save or load by itself.
    button->setAutoDefault(false);
    return button;
}

bool isLatin1(const QString &text) {
    for (const QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace

CPresetDlg::CPresetDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CPresetDlg"));
    setWindowTitle(QStringLiteral("Preset Setting"));
    ui::markScope(this);

    const int em = fontMetrics().height();
    auto *fields = new QGridLayout;
    int row = 0;
    for (const char *name : {kNumberEdit, kAliasEdit}) {
        auto *caption = new QLabel(QString::fromLatin1(name), this);
        auto *edit = new QLineEdit(this);
        (row == 0 ? m_numberEdit : m_aliasEdit) = edit;
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(9 * em);
        caption->setBuddy(edit);
        fields->addWidget(caption, row, 0);
        fields->addWidget(edit, row, 1);
        ++row;
    }

    auto *save = actionButton(kSaveButton, this);
    auto *saveAll = actionButton(kSaveAllButton, this);
    auto *load = actionButton(kLoadButton, this);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QString::fromLatin1(kOutcomeLabel));
    m_outcome->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(save);
    layout->addWidget(saveAll);
    layout->addWidget(load);
    layout->addWidget(m_outcome);
    setMinimumWidth(20 * em);

    connect(save, &QPushButton::clicked, this, [this] { onSave(); });
    connect(saveAll, &QPushButton::clicked, this, [this] {
        showOutcome({});
        emit saveAllPresets();
    });
    connect(load, &QPushButton::clicked, this, [this] {
        showOutcome({});
        emit loadPresets();
    });

    updateData(false);
}

void CPresetDlg::showOutcome(const QString &text) {
    m_outcome->setText(text);
}

int CPresetDlg::exec() {
    updateData(false);
    showOutcome({});
    return QDialog::exec();
}

bool CPresetDlg::updateData(bool take) {
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    dx.intEdit(m_numberEdit, m_presetNumber)
        .text(m_aliasEdit, m_alias)
        .maxChars(m_aliasEdit, m_alias, kAliasLimit);
    return dx.ok();
}

void CPresetDlg::onSave() {
    showOutcome({});
    if (!updateData(true))
        return;
    QLineEdit *numberEdit = m_numberEdit;
    QLineEdit *aliasEdit = m_aliasEdit;
    if (m_presetNumber < 1 || m_presetNumber > 32) {
        ui::messageBox(this, QStringLiteral("Preset number should be 1~32 !"));
        numberEdit->setFocus();
        numberEdit->selectAll();
        return;
    }
    // The preset file stores one byte per character.
    if (!isLatin1(m_alias)) {
        ui::messageBox(this, QStringLiteral("The alias can hold Latin-1 characters only."));
        aliasEdit->setFocus();
        return;
    }
    emit savePreset(m_presetNumber, m_alias);
}
