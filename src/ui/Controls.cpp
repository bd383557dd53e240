#include "ui/Controls.h"

#include <QComboBox>
#include <QEvent>
#include <QPushButton>
#include <QSet>
#include <deque>

namespace ui {

namespace {

// The widgets marked as scopes, looked up without asking each widget for a dynamic property.
QSet<const QWidget *> &scopes() {
    static QSet<const QWidget *> marked;
    return marked;
}

// One filter for every guarded list: swallows wheel events that reach a list without focus.
class WheelGuard : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Wheel) {
            auto *widget = qobject_cast<QWidget *>(watched);
            if (widget && !widget->hasFocus()) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

WheelGuard &wheelGuard() {
    static WheelGuard guard;
    return guard;
}

} // namespace

QString idName(int id) {
    return QString::number(id);
}

void markScope(QWidget *widget) {
    if (scopes().contains(widget))
        return;
    scopes().insert(widget);
    QObject::connect(widget, &QObject::destroyed, [widget] { scopes().remove(widget); });
}

bool isScope(const QWidget *widget) {
    return scopes().contains(widget);
}

QWidget *scopeOf(const QWidget *control) {
    QWidget *w = control ? control->parentWidget() : nullptr;
    while (w && !isScope(w) && w->parentWidget())
        w = w->parentWidget();
    return w;
}

QWidget *findInScope(const QWidget *root, const QString &name) {
    if (!root)
        return nullptr;
    std::deque<const QObject *> pending{root};
    while (!pending.empty()) {
        const QObject *parent = pending.front();
        pending.pop_front();
        for (QObject *child : parent->children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (!widget)
                continue;
            if (isScope(widget)) {
                // A nested scope is found by its own name but never searched into.
                if (widget->objectName() == name)
                    return widget;
                continue;
            }
            if (widget->objectName() == name)
                return widget;
            pending.push_back(widget);
        }
    }
    return nullptr;
}

QPushButton *makeButton(const QString &caption, int id, QWidget *parent) {
    QPushButton *button = makeButton(caption, parent);
    return withId(button, id);
}

QPushButton *makeButton(const QString &caption, QWidget *parent) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(caption);
    button->setAutoDefault(false);
    return button;
}

QComboBox *makeList(int id, QWidget *parent) {
    auto *combo = new QComboBox(parent);
    setUpList(combo, id);
    return combo;
}

void setUpList(QComboBox *combo, int id) {
    withId(combo, id);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    guardWheel(combo);
}

void guardWheel(QComboBox *combo) {
    combo->setFocusPolicy(Qt::StrongFocus);
    combo->installEventFilter(&wheelGuard());
}

} // namespace ui
