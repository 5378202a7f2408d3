#pragma once

// The roll-down extension of the dialog library: a palette whose surface stacks roll panels
// vertically. Each roll panel has a header (title, icon, active or inactive look) and holds one
// tab page; the user can roll a panel up (collapse) and down (expand). The palette's width is
// shared by all panels; its height is the headers plus the expanded pages.
//
// User resizes of the palette (PK/UserActions.hpp) reach the pages: the width change goes to
// every horizontally growing page, the height change is shared among the expanded vertically
// growing pages (evenly, the remainder to the topmost).
//
// Callers: the add-on's palette (derives from RollDownPalette) and its pages; the host for
// rendering and user actions. Main thread only. The palette owns its surface, container and
// roll panels (raw pointers stay valid while the palette lives); the program owns the pages.

#include <PK/Dialog.hpp>
#include <PK/Icon.hpp>
#include <PK/TabPage.hpp>

#include <memory>
#include <vector>

namespace PX {

class RollPanel;
class RollDownPalette;

class RollPanelEvent {
public:
    explicit RollPanelEvent(RollPanel& source) noexcept : _source(&source) {}
    RollPanel* GetSource() const noexcept { return _source; }

private:
    RollPanel* _source;
};

class RollPanelObserver : public virtual QB::EventObserver {
public:
    virtual void RollPanelExpanded(const RollPanelEvent& ev);
    virtual void RollPanelCollapsed(const RollPanelEvent& ev);
};

enum class RollPanelState : QB::Int32 { Expanded = 0, Collapsed = 1 };

class RollPanel final : public PK::TabPageHost {
public:
    static constexpr QB::Int32 HeaderHeight = 22;

    ~RollPanel() override;
    RollPanel(const RollPanel&) = delete;
    RollPanel& operator=(const RollPanel&) = delete;

    // Position in the palette, from 1.
    QB::Int32 GetIndex() const noexcept { return _index; }
    RollDownPalette& GetPalette() const noexcept { return *_palette; }
    PK::GrowType GetGrowType() const noexcept { return _growType; }

    const QB::UniString& GetTitle() const noexcept { return _title; }
    void SetTitle(const QB::UniString& title) { _title = title; }
    const PK::Icon& GetIcon() const noexcept { return _icon; }
    void SetIcon(const PK::Icon& icon) { _icon = icon; }

    // The header's look: an inactive panel shows a dimmed header; its content stays usable.
    void SetActive() noexcept { _active = true; }
    void SetInactive() noexcept { _active = false; }
    bool IsActive() const noexcept { return _active; }

    // Program-side rolling: no events (the user's rolling raises them, PK/UserActions.hpp).
    void Expand() noexcept { _state = RollPanelState::Expanded; }
    void Collapse() noexcept { _state = RollPanelState::Collapsed; }
    bool IsExpanded() const noexcept { return _state == RollPanelState::Expanded; }

    void Attach(RollPanelObserver& observer) { _observers.Attach(observer); }
    void Detach(RollPanelObserver& observer) { _observers.Detach(observer); }

    // nullptr while no page is shown in the panel.
    PK::TabPage* GetTabPage() const noexcept { return _page; }

    PK::Panel* GetOwnerPanel() const noexcept override;
    bool IsPageContentShown() const noexcept override { return IsExpanded(); }

    // Used by the user actions: rolls and tells the observers.
    void RollByUser(RollPanelState state);

private:
    friend class RollPanelContainer;
    RollPanel(RollDownPalette& palette, QB::Int32 index, PK::GrowType growType, RollPanelState state);

    bool AttachPage(PK::TabPage& page) override;
    void DetachPage(PK::TabPage& page) noexcept override;

    RollDownPalette* _palette;
    QB::Int32 _index;
    PK::GrowType _growType;
    RollPanelState _state;
    QB::UniString _title;
    PK::Icon _icon;
    bool _active = true;
    PK::TabPage* _page = nullptr;
    PK::Detail::Observers _observers;
};

class RollPanelContainer {
public:
    RollPanelContainer(const RollPanelContainer&) = delete;
    RollPanelContainer& operator=(const RollPanelContainer&) = delete;

    // Appends a roll panel below the others; `observer` (may be nullptr) is attached to it.
    // nullptr for a grow type or state outside the enumerations.
    RollPanel* CreateRollPanel(PK::GrowType growType, RollPanelObserver* observer,
                               RollPanelState initialState = RollPanelState::Expanded);

    QB::Int32 GetPanelCount() const noexcept { return static_cast<QB::Int32>(_panels.size()); }
    // Panel `index` from 1; nullptr outside.
    RollPanel* GetPanel(QB::Int32 index) const noexcept;

private:
    friend class RollDownSurface;
    explicit RollPanelContainer(RollDownPalette& palette) : _palette(&palette) {}

    RollDownPalette* _palette;
    std::vector<std::unique_ptr<RollPanel>> _panels;
};

class RollDownSurface {
public:
    RollDownSurface(const RollDownSurface&) = delete;
    RollDownSurface& operator=(const RollDownSurface&) = delete;

    RollPanelContainer* GetPanelContainer() noexcept { return &_container; }

private:
    friend class RollDownPalette;
    explicit RollDownSurface(RollDownPalette& palette) : _container(palette) {}

    RollPanelContainer _container;
};

class RollDownPalette : public PK::Palette {
public:
    RollDownPalette(const QB::Guid& guid, QB::Int32 closeType, QB::Int32 captionType, QB::Int32 frameType);
    ~RollDownPalette() override;

    RollDownSurface* GetRollDownSurface() noexcept { return _surface.get(); }
    const RollPanelContainer& GetPanels() const noexcept { return _surface->_container; }

    // Headers plus the heights of the expanded pages.
    QB::Int32 GetClientHeight() const noexcept override;

    // A user resize of the palette by (dw, dh): clamped to the palette's grow type and minimum
    // size, then passed on to the pages (see the top of this file). Returns the change made.
    std::pair<QB::Int32, QB::Int32> ResizeByUser(QB::Int32 dw, QB::Int32 dh);

protected:
    void NotifyOpenedOnFirstShow() override;

private:
    std::unique_ptr<RollDownSurface> _surface;
};

} // namespace PX
