#include "pages/edid/CEdidPage.h"

#include "edid/EdidCapture.h"
#include "edid/EdidFile.h"
#include "edid/EdidSummary.h"
#include "files/FileReplace.h"
#include "protocol/Commands.h"
#include "session/DeviceRules.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

namespace {

const QString kSelectPortFirst = QStringLiteral("Please select the target port first");
const QString kLoadNote = QStringLiteral(
    "Note: EDID data is only saved to one of the 3 user define. If want to use this EDID data to this "
    "input, need to set the EDID of this input to the selected user define.");

QComboBox *makeList(int id, QWidget *parent) {
    auto *c = ui::withId(new QComboBox(parent), id);
    ui::guardWheel(c);
    return c;
}

QLabel *makeLabel(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(text);
    return label;
}

// Any directory entry counts as taken, a dangling symbolic link included.
bool entryExists(const std::string &name) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(name, ec));
}

} // namespace

CEdidPage::CEdidPage(session::IDeviceConsole *console, QWidget *parent)
    : CConsolePage(kTemplate, console, parent) {
    m_captureTimer.setObjectName(QStringLiteral("captureTimer"));
    m_captureTimer.setSingleShot(true);
    m_captureTimer.setInterval(kCaptureTimeout);
    connect(&m_captureTimer, &QTimer::timeout, this, [this] { endCapture(); });
    constructed();
}

void CEdidPage::buildControls() {
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(buildInputColumn(), 0);
    layout->addWidget(buildPortColumn(), 1);

    // A choice made in a list is the page's until the device reports otherwise, so that a refresh
    // from a reply does not take it back.
    for (QComboBox *list : m_edidLists)
        connect(list, &QComboBox::activated, this, [this] { updateData(true); });
    for (QComboBox *list : {m_readPortList, m_userSlotList})
        connect(list, &QComboBox::activated, this, [this] { updateData(true); });
}

QWidget *CEdidPage::buildInputColumn() {
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("Input EDID"));
    auto *grid = new QGridLayout(box);
    for (int i = 0; i < kInputCount; ++i) {
        auto *list = makeList(kEdidListIds[static_cast<std::size_t>(i)], box);
        m_edidLists[static_cast<std::size_t>(i)] = list;
        for (std::string_view choice : session::kEdidChoiceNames)
            list->addItem(QString::fromLatin1(choice.data(), static_cast<qsizetype>(choice.size())));
        auto *label = makeLabel(QStringLiteral("EDID:"), box);
        label->setBuddy(list);
        const int input = i + 1;
        auto *apply = ui::makeButton(QStringLiteral("Apply to Input%1").arg(input),
                                     kApplyIds[static_cast<std::size_t>(i)], box);
        connect(apply, &QPushButton::clicked, this, [this, input] { onApply(input); });
        grid->addWidget(label, i, 0);
        grid->addWidget(list, i, 1);
        grid->addWidget(apply, i, 2);
    }
    grid->setRowStretch(kInputCount, 1);
    return box;
}

QWidget *CEdidPage::buildPortColumn() {
    auto *box = new QGroupBox(this);
    box->setObjectName(QStringLiteral("EDID files"));
    auto *column = new QVBoxLayout(box);

    auto *readPort = m_readPortList = makeList(IDC_READ_PORT, box);
    for (int n = 1; n <= kOutputCount; ++n)
        readPort->addItem(n == 9 ? QStringLiteral("Out port9") : QStringLiteral("Out port %1").arg(n));
    for (int n = 1; n <= kInputCount; ++n)
        readPort->addItem(QStringLiteral("In port %1").arg(n));
    auto *readLabel = makeLabel(QStringLiteral("EDID info(read from port):"), box);
    readLabel->setBuddy(readPort);
    auto *read = ui::makeButton(QStringLiteral("Read EDID data and save to file"), IDC_READ, box);
    connect(read, &QPushButton::clicked, this, [this] { onRead(); });

    auto *userSlot = m_userSlotList = makeList(IDC_USER_SLOT, box);
    for (int input = 1; input <= kInputCount; ++input)
        for (int slot = 1; slot <= 3; ++slot)
            userSlot->addItem(QStringLiteral("In%1 User %2").arg(input).arg(slot));
    auto *load = ui::makeButton(QStringLiteral("Load EDID file and write to input port"), IDC_LOAD, box);
    connect(load, &QPushButton::clicked, this, [this] { onLoad(); });

    auto *grid = new QGridLayout;
    grid->addWidget(readLabel, 0, 0, 1, 2);
    grid->addWidget(readPort, 1, 0);
    grid->addWidget(read, 1, 1);
    grid->addWidget(userSlot, 2, 0);
    grid->addWidget(load, 2, 1);
    grid->setColumnStretch(0, 1);
    column->addLayout(grid);
    column->addSpacing(fontMetrics().height() / 2);

    // Read-only rather than disabled, so the summary stays legible and can be copied.
    m_infoBox = ui::withId(new QPlainTextEdit(box), IDC_BASIC_INFO);
    m_infoBox->setReadOnly(true);
    m_infoBox->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *infoLabel = makeLabel(QStringLiteral("Basic EDID infomation:"), box);
    infoLabel->setBuddy(m_infoBox);
    column->addWidget(infoLabel);
    column->addWidget(m_infoBox, 1);
    return box;
}

bool CEdidPage::updateData(bool take) {
    if (!built())
        return true;
    ui::Exchange dx(this, take ? ui::Exchange::Take : ui::Exchange::Refresh);
    for (std::size_t i = 0; i < kInputCount; ++i)
        dx.comboIndex(m_edidLists[i], m_edidChoice[i]);
    dx.comboIndex(m_readPortList, m_readPort).comboIndex(m_userSlotList, m_userSlot);
    if (!take) {
        QString shown = QString::fromLatin1(m_basicInfo);
        shown.remove(QLatin1Char('\r'));
        if (m_infoBox->toPlainText() != shown)
            m_infoBox->setPlainText(shown);
    }
    return dx.ok();
}

int CEdidPage::edidChoice(int input) const {
    return input >= 1 && input <= kInputCount ? m_edidChoice[static_cast<std::size_t>(input - 1)] : -1;
}

void CEdidPage::applyReply(const protocol::Reply &reply) {
    const auto *r = std::get_if<protocol::EdidChoiceReply>(&reply);
    if (!r || !r->input)
        return;
    if (r->choice) {
        const int choice = session::edidChoice(*r->choice).value_or(-1);
        m_edidChoice[static_cast<std::size_t>(*r->input - 1)] = choice;
        m_edidLists[static_cast<std::size_t>(*r->input - 1)]->setCurrentIndex(choice);
    }
    // The device reports the nine inputs in order: the page is refreshed once, after the last.
    if (*r->input == kInputCount)
        updateData(false);
}

void CEdidPage::onApply(int input) {
    updateData(true);
    const int choice = edidChoice(input);
    if (choice >= 0)
        send(protocol::buildSetInputEdid(input, choice));
}

void CEdidPage::onRead() {
    updateData(true);
    if (m_readPort < 0) {
        ui::messageBox(this, kSelectPortFirst);
        return;
    }
    std::optional<std::string> command;
    std::string stem;
    if (m_readPort < kOutputCount) {
        const int output = m_readPort + 1;
        command = protocol::buildGetOutputEdid(output);
        stem = edid::edidCaptureStem(edid::EdidPortKind::Output, output);
    } else {
        const int input = m_readPort - kOutputCount + 1;
        const int choice = edidChoice(input);
        if (choice < 0)
            return; // no EDID chosen for that input: nothing to read
        // A "From Out" choice has no dump command; the capture still waits for a dump.
        command = protocol::buildGetInputEdid(input, choice);
        stem = edid::edidCaptureStem(edid::EdidPortKind::Input, input);
    }
    armCapture(std::move(stem));
    send(command);
}

void CEdidPage::onLoad() {
    updateData(true);
    if (m_userSlot < 0) {
        ui::messageBox(this, kSelectPortFirst);
        return;
    }
    // Nothing could go out: say so before the operator picks a file.
    if (!portOn()) {
        ui::messageBox(this, QStringLiteral("Com port is not on yet."));
        return;
    }
    const int input = m_userSlot / 3 + 1;
    const int slot = m_userSlot % 3 + 1;

    const QString path =
        ui::openFileName(this, QStringLiteral("Open"), QStringLiteral("bin file(*.bin);;all file(*.*)"));
    if (path.isEmpty())
        return;
    edid::EdidImage image;
    std::string error;
    if (!edid::readEdidFile(QFile::encodeName(path).toStdString(), image, error)) {
        ui::messageBox(this, QStringLiteral("File read failed"));
        return;
    }
    if (QFileInfo(path).suffix() != QLatin1String("bin")) {
        ui::messageBox(this, QStringLiteral("It is not bin file"));
        return;
    }
    // One line without a leading CR LF: it goes out whole and without an address prefix.
    send(protocol::buildLoadUserEdid(input, slot, image));
    ui::messageBox(this, kLoadNote);
    updateData(false);
}

void CEdidPage::armCapture(std::string stem) {
    m_captureStem = std::move(stem);
    m_captureArmed = true;
    m_captureTimer.start();
}

void CEdidPage::endCapture() {
    m_captureArmed = false;
    m_captureTimer.stop();
}

void CEdidPage::onRawLine(std::string_view line) {
    if (!m_captureArmed || !edid::isEdidDumpLine(line))
        return;
    // The capture is over before anything is shown: lines that arrive while a message is open go
    // to the reply parser again.
    endCapture();
    saveCapture(line);
}

void CEdidPage::saveCapture(std::string_view line) {
    const edid::EdidImage image = edid::parseEdidDump(line);
    const std::string name = edid::nextEdidCaptureFileName(m_captureStem, entryExists);
    if (!files::replaceFileContent(name, std::string(image.begin(), image.end()))) {
        ui::messageBox(this, QStringLiteral("Faild to create file"));
        return;
    }
    ui::messageBox(this, QStringLiteral("Save to file: ") + QString::fromStdString(name));

    m_decoder.decodeAll(image);
    m_basicInfo = edid::summarizeEdid(m_decoder.videoText(), m_decoder.audioText(), m_decoder.generalText());
    updateData(false);
}
