#pragma once

#include <QString>
#include <QWidget>

// Controls are found the way dialog code finds them by identifier: every control's objectName() is
// its decimal identifier ("1106"), a page is named by its template number ("176"), and a control
// without an identifier is named by its caption or label.
namespace ui {

QString idName(int id);

// Gives the widget its identifier as object name and returns it, for compact construction code.
template <class W> W *withId(W *widget, int id) {
    widget->setObjectName(idName(id));
    return widget;
}

template <class W> W *control(const QWidget *root, int id) {
    return root->findChild<W *>(idName(id));
}

template <class W> W *control(const QWidget *root, const QString &name) { return root->findChild<W *>(name); }

} // namespace ui
