#include "app/TestHooks.h"

#include "app/CConsoleDlg.h"
#include "pages/base/CConsolePage.h"
#include "pages/multiview/CMultiviewPanel.h"
#include "ui/Controls.h"
#include "ui/Exchange.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kWaitTickMs = 20;
constexpr int kWaitTicks = 60 * 1000 / kWaitTickMs;

// The control's value as `value` reports it; a null string for a control that has none.
QString valueOf(QWidget *control) {
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        return button->isCheckable() ? QString::fromLatin1(button->isChecked() ? "checked" : "unchecked")
                                     : button->text();
    return ui::editText(control);
}

} // namespace

std::unique_ptr<TestHooks> TestHooks::startIfEnabled(CConsoleDlg &console) {
    const char *flag = std::getenv("KORVEX_TEST_HOOKS");
    if (!flag || std::strcmp(flag, "1") != 0)
        return nullptr;
    return std::make_unique<TestHooks>(console);
}

TestHooks::TestHooks(CConsoleDlg &console) : m_console(console) {
    m_waitTimer = new QTimer(this);
    m_waitTimer->setInterval(kWaitTickMs);
    connect(m_waitTimer, &QTimer::timeout, this, [this] { checkWait(); });

    m_reader = std::thread([shared = m_shared, self = this] {
        char buffer[1024];
        bool more = true;
        while (more) {
            QString line = QStringLiteral("quit"); // the end of the input closes the window
            if (std::fgets(buffer, sizeof buffer, stdin))
                line = QString::fromUtf8(buffer).trimmed();
            more = line != QLatin1String("quit");
            const std::lock_guard<std::mutex> hold(shared->lock);
            if (!shared->alive)
                return;
            QMetaObject::invokeMethod(
                self, [self, line] { self->handle(line); }, Qt::QueuedConnection);
        }
    });
}

TestHooks::~TestHooks() {
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->alive = false;
    }
    // A reader that got "quit" or the end of the input is finishing; one still reading is left to end
    // with the process.
    m_reader.detach();
}

QWidget *TestHooks::find(const QString &path, QString &error) const {
    const qsizetype slash = path.indexOf(QLatin1Char('/'));
    if (slash <= 0) {
        error = QStringLiteral("no SCOPE/NAME in '%1'").arg(path);
        return nullptr;
    }
    const QString scope = path.left(slash);
    const QWidget *root = nullptr;
    bool isNumber = false;
    const int templateNumber = scope.toInt(&isNumber);
    if (scope == QLatin1String("window"))
        root = &m_console;
    else if (scope == QLatin1String("multiview"))
        root = m_console.multiview();
    else if (isNumber)
        root = m_console.page(templateNumber);
    if (!root) {
        error = QStringLiteral("no scope '%1'").arg(scope);
        return nullptr;
    }
    QWidget *control = ui::findInScope(root, path.mid(slash + 1));
    if (!control)
        error = QStringLiteral("no control '%1'").arg(path);
    return control;
}

void TestHooks::answer(const QString &text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void TestHooks::handle(const QString &line) {
    const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString command = words.value(0);
    if (command == QLatin1String("quit")) {
        answer(QStringLiteral("ok"));
        // Repeated until the modal run ends: the first commands can arrive while the window is being
        // shown, before that run starts, when done() would only hide it.
        auto *closer = new QTimer(this);
        connect(closer, &QTimer::timeout, this, [this] { m_console.done(0); });
        closer->start(kWaitTickMs);
        return;
    }
    if (command == QLatin1String("messages")) {
        answer(QStringLiteral("ok ") + m_messages.messages().join(QStringLiteral(" | ")));
        return;
    }
    QString error;
    QWidget *control = words.size() >= 2 ? find(words[1], error) : nullptr;
    if (!control) {
        answer(QStringLiteral("error ") +
               (error.isEmpty() ? QStringLiteral("bad command '%1'").arg(line) : error));
        return;
    }
    if (command == QLatin1String("click") && words.size() == 2) {
        auto *button = qobject_cast<QAbstractButton *>(control);
        if (!button)
            return answer(QStringLiteral("error not a button: ") + words[1]);
        button->click();
        answer(QStringLiteral("ok"));
    } else if (command == QLatin1String("choose") && words.size() == 3) {
        auto *combo = qobject_cast<QComboBox *>(control);
        bool isNumber = false;
        const int index = words[2].toInt(&isNumber);
        if (!combo || !isNumber || index < 0 || index >= combo->count())
            return answer(QStringLiteral("error no entry %1 in %2").arg(words[2], words[1]));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
        answer(QStringLiteral("ok"));
    } else if (command == QLatin1String("value") && words.size() == 2) {
        answer(QStringLiteral("ok ") + valueOf(control));
    } else if (command == QLatin1String("wait") && words.size() >= 3 && !m_waitTimer->isActive()) {
        // The text is the rest of the line, spaces included.
        m_waitPath = words[1];
        m_waitText = line.mid(line.indexOf(words[1]) + words[1].size() + 1);
        m_waitTicks = 0;
        m_waitTimer->start();
        checkWait();
    } else {
        answer(QStringLiteral("error bad command '%1'").arg(line));
    }
}

void TestHooks::checkWait() {
    QString error;
    QWidget *control = find(m_waitPath, error);
    const QString value = control ? valueOf(control) : error;
    if (value == m_waitText)
        answer(QStringLiteral("ok"));
    else if (++m_waitTicks >= kWaitTicks)
        answer(QStringLiteral("timeout ") + value);
    else
        return;
    m_waitTimer->stop();
}
