#pragma once

#include <QString>
#include <QWidget>

class QComboBox;
class QPushButton;

// Controls are found the way dialog code finds them by identifier: every control's objectName() is
// its decimal identifier ("1106"), a page is named by its template number ("176"), and a control
// without an identifier is named by its caption or label.
//
// Identifiers repeat across pages (1200 is the address list and a VIDEO radio), so every lookup is
// rooted at the page, panel or dialog that owns the control: a widget marked as a scope owns the
// controls below it, and a search never descends into a nested scope.
namespace ui {

QString idName(int id);

// Gives the widget its identifier as object name and returns it, for compact construction code.
template <class W> W *withId(W *widget, int id) {
    widget->setObjectName(idName(id));
    return widget;
}

// Marks a page, panel or dialog as the owner of the controls below it.
void markScope(QWidget *widget);
bool isScope(const QWidget *widget);
// The scope that owns a control: its nearest ancestor marked as a scope (the top-level window when
// none is marked).
QWidget *scopeOf(const QWidget *control);

// The control of that name owned by root: found below root, breadth first, without entering nested
// scopes. Null when there is none.
QWidget *findInScope(const QWidget *root, const QString &name);

template <class W> W *control(const QWidget *root, int id) {
    return qobject_cast<W *>(findInScope(root, idName(id)));
}

template <class W> W *control(const QWidget *root, const QString &name) {
    return qobject_cast<W *>(findInScope(root, name));
}

// A push button that Enter never presses (Enter belongs to the window), named by its identifier or,
// without one, by its caption.
QPushButton *makeButton(const QString &caption, int id, QWidget *parent);
QPushButton *makeButton(const QString &caption, QWidget *parent);

// A drop-down list acts only on a choice from its list: the mouse wheel changes it only while it has
// the keyboard focus, so a wheel turn over an unfocused list (scrolling past it) does nothing.
void guardWheel(QComboBox *combo);

// A "combo box with edit field" as the console's lists are: editable, typed text never becomes an
// entry, and wheel-guarded.
QComboBox *makeList(int id, QWidget *parent);
// The same set-up for a list made otherwise (a subclass).
void setUpList(QComboBox *combo, int id);

} // namespace ui
