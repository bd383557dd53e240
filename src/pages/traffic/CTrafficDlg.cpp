#include "pages/traffic/CTrafficDlg.h"

#include "files/FileReplace.h"
#include "ui/Controls.h"
#include "ui/FileDialog.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {

std::int64_t now() {
    return QDateTime::currentMSecsSinceEpoch();
}

} // namespace

CTrafficDlg::CTrafficDlg(session::DeviceSession *session, QWidget *parent, std::size_t capacity)
    : QDialog(parent), m_session(session), m_log(capacity) {
    if (m_session)
        m_session->addObserver(this);
    setObjectName(QStringLiteral("CTrafficDlg"));
    ui::markScope(this);
    setWindowTitle(QStringLiteral("Line traffic"));
    resize(760, 420);
}

CTrafficDlg::~CTrafficDlg() {
    if (m_session)
        m_session->removeObserver(this);
}

// The view is built the first time it is needed: the log records from start-up, but most runs never
// open this window.
void CTrafficDlg::ensureBuilt() const {
    if (m_view)
        return;
    auto *self = const_cast<CTrafficDlg *>(this);
    self->buildControls();
}

void CTrafficDlg::buildControls() {
    const std::size_t capacity = m_log.capacity();

    m_view = new QPlainTextEdit(this);
    m_view->setObjectName(QStringLiteral("Traffic"));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_view->setMaximumBlockCount(static_cast<int>(capacity));

    m_hex = new QCheckBox(QStringLiteral("Hexadecimal"), this);
    m_hex->setObjectName(QStringLiteral("Hexadecimal"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Count"));
    auto *save = new QPushButton(QStringLiteral("Save as..."), this);
    save->setObjectName(QStringLiteral("Save as..."));
    auto *clear = new QPushButton(QStringLiteral("Clear"), this);
    clear->setObjectName(QStringLiteral("Clear"));
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("Close"));
    for (QPushButton *b : {save, clear, close})
        b->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_hex);
    buttons->addWidget(m_count, 1);
    buttons->addWidget(save);
    buttons->addWidget(clear);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(buttons);

    connect(m_hex, &QCheckBox::clicked, this, [this](bool on) { setHex(on); });
    connect(save, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        m_log.clear();
        render();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    render();
}

void CTrafficDlg::onBytesSent(const std::uint8_t *data, std::size_t size) {
    appendNewest(m_log.recordSent(std::string_view(reinterpret_cast<const char *>(data), size), now()));
}

void CTrafficDlg::onBytesReceived(const std::uint8_t *data, std::size_t size) {
    appendNewest(m_log.recordReceived(std::string_view(reinterpret_cast<const char *>(data), size), now()));
}

void CTrafficDlg::appendNewest(std::size_t count) {
    if (count == 0 || !isVisible())
        return; // a hidden view is rendered whole when it is shown
    const bool hex = m_hex->isChecked();
    const auto &entries = m_log.entries();
    QScrollBar *bar = m_view->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    for (std::size_t i = entries.size() - std::min(count, entries.size()); i < entries.size(); ++i)
        m_view->appendPlainText(QString::fromStdString(session::TrafficLog::format(entries[i], hex)));
    if (following)
        bar->setValue(bar->maximum());
    m_count->setText(QStringLiteral("%1 lines").arg(entries.size()));
}

void CTrafficDlg::render() {
    const bool hex = m_hex->isChecked();
    QString text;
    for (const session::TrafficLog::Entry &entry : m_log.entries()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QString::fromStdString(session::TrafficLog::format(entry, hex));
    }
    m_view->setPlainText(text);
    m_view->verticalScrollBar()->setValue(m_view->verticalScrollBar()->maximum());
    m_count->setText(QStringLiteral("%1 lines").arg(m_log.entries().size()));
}

void CTrafficDlg::setHex(bool hex) {
    ensureBuilt();
    m_hex->setChecked(hex);
    render();
}

QString CTrafficDlg::shownText() const {
    ensureBuilt();
    return m_view->toPlainText();
}

void CTrafficDlg::showEvent(QShowEvent *event) {
    ensureBuilt();
    render();
    QDialog::showEvent(event);
}

void CTrafficDlg::saveAs() {
    const QString path =
        ui::saveFileName(this, QStringLiteral("Save line traffic"),
                         QStringLiteral("Text files (*.txt);;All files (*)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString text = shownText();
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    if (!files::replaceFileContent(path.toStdString(), text.toStdString()))
        ui::messageBox(this, QStringLiteral("Cannot write %1").arg(path));
}
