#pragma once

#include "pages/base/DeviceView.h"

#include <QWidget>

// Base of the tab pages: a widget named by its template number that owns its controls and hears
// replies from the moment it is created until it is destroyed.
//
// A page builds its controls at the end of its constructor, unless the console window asked for
// them later (DeferBuilding): the window shows its first page at once and builds the others right
// after, so start-up paints one page, not five. A page is always built before it handles a reply,
// and whenever the window hands it out.
class CConsolePage : public QWidget, public DeviceView {
    Q_OBJECT
public:
    CConsolePage(int templateNumber, session::IDeviceConsole *console, QWidget *parent = nullptr);

    int templateNumber() const { return m_template; }

    // The page's own start-up step, run by the console window after every page exists and in page
    // order (the VIDEO WALL page loads its layout file here).
    virtual void onInitPage() {}

    // Data exchange of the page's members with its controls: take = true reads and validates the
    // controls (false after the first bad one), take = false refreshes them. Nothing happens before
    // the controls are built.
    virtual bool updateData(bool take) {
        (void)take;
        return true;
    }

    // Builds the controls now if they are not yet, and shows the members in them.
    void ensureBuilt();
    bool built() const { return m_built; }

    // While one lives, pages made on this thread leave their controls for later.
    class DeferBuilding {
    public:
        DeferBuilding();
        ~DeferBuilding();
        DeferBuilding(const DeferBuilding &) = delete;
        DeferBuilding &operator=(const DeferBuilding &) = delete;
    };

    void onReply(const protocol::Reply &reply) final;

protected:
    // The page's controls; called once.
    virtual void buildControls() = 0;
    // The rows the page owns; its controls exist when this is called.
    virtual void applyReply(const protocol::Reply &reply) { (void)reply; }
    // The last step of every page constructor: builds the controls unless they are deferred.
    void constructed();

private:
    int m_template;
    bool m_built = false;
};
