#pragma once

#include "pages/base/DeviceConsole.h"

#include <QWidget>

// Base of the five tab pages: a widget named by its template number that is its own lookup scope
// (its controls' identifiers may repeat elsewhere in the window) and that hears replies from the
// moment it is created until it is destroyed.
class CConsolePage : public QWidget, public IReplySink {
    Q_OBJECT
public:
    CConsolePage(int templateNumber, IDeviceConsole *console, QWidget *parent = nullptr);
    ~CConsolePage() override;

    int templateNumber() const { return m_template; }

    // The page's own start-up step, run by the console window after every page exists and in page
    // order (the VIDEO WALL page loads its layout file here).
    virtual void OnInitPage() {}

    // Data exchange of the page's members with its controls: take = true reads and validates the
    // controls (false after the first bad one), take = false refreshes them.
    virtual bool UpdateData(bool take) {
        (void)take;
        return true;
    }

    // Pages apply only their own rows; the default applies none.
    void OnReply(const link::Reply &) override {}

protected:
    IDeviceConsole *console() const { return m_console; }

private:
    int m_template;
    IDeviceConsole *m_console;
};
