#pragma once

// Tab pages: a panel built from a dialog resource and shown inside a host container (a roll
// panel of a roll-down palette). The page takes input when its container shows its content and
// the containing window takes input; the containing window's panel-wide enable switch applies to
// the page's items too.
//
// Main thread only. The program owns its pages; the container only points at them. Deleting
// the page takes it out of its container; deleting the container first leaves the page alone.

#include <PK/Panel.hpp>

namespace PK {

class TabPage;

// What a tab page sits in.
class TabPageHost {
public:
    virtual ~TabPageHost();

    // The window that shows the page (nullptr when there is none).
    virtual Panel* GetOwnerPanel() const noexcept = 0;
    // Whether the page's content is shown (e.g. the panel is not rolled up).
    virtual bool IsPageContentShown() const noexcept = 0;

protected:
    TabPageHost() = default;
    TabPageHost(const TabPageHost&) = default;
    TabPageHost& operator=(const TabPageHost&) = default;

private:
    friend class TabPage;
    // False when the container cannot take the page (it holds one already).
    virtual bool AttachPage(TabPage& page) = 0;
    virtual void DetachPage(TabPage& page) noexcept = 0;
};

class TabPage : public Panel {
public:
    TabPage(TabPageHost& host, QB::ResModule module, QB::ResId dialogId);
    ~TabPage() override;

    // nullptr once the container is gone.
    TabPageHost* GetHost() const noexcept { return _host; }

    bool AreItemsEnabled() const noexcept override;
    bool AcceptsUserInput() const noexcept override;

    // Called by the container (user resize of the containing window, container teardown).
    void ResizeByHost(QB::Int32 dw, QB::Int32 dh);
    void HostDestroyed() noexcept { _host = nullptr; }
    void OpenByHost() { NotifyOpened(); }

private:
    TabPageHost* _host = nullptr;
};

} // namespace PK
