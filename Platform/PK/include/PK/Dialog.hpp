#pragma once

// Windows of the dialog library: Dialog (a panel with its own window), ModelessBase (a window
// shown beside the host's windows that takes input between BeginEventProcessing and
// EndEventProcessing while visible) and Palette (a modeless window known to the host by guid).
//
// Callers: the add-on (its palette derives from PX::RollDownPalette) and the host (finds open
// palettes by guid for its control messages and transcripts). Main thread only, asserted in
// debug builds. The program owns and deletes its windows; a deleted palette leaves the registry.

#include <PK/Panel.hpp>

#include <QB/Guid.hpp>

#include <vector>

namespace PK {

class Dialog : public Panel {
public:
    bool IsVisible() const noexcept { return _visible; }
    // Window position on the screen (cascaded for new windows).
    QB::Int32 GetWindowX() const noexcept { return _x; }
    QB::Int32 GetWindowY() const noexcept { return _y; }

protected:
    Dialog();
    void SetVisible(bool visible) noexcept { _visible = visible; }

private:
    bool _visible = false;
    QB::Int32 _x;
    QB::Int32 _y;
};

class ModelessBase : public Dialog {
public:
    // Placement value that shows the window where it was last (or its default place).
    static constexpr QB::Int32 DefaultPlacement = -32768;

    // Shows the window; the first show also raises PanelOpened on the window and its pages.
    // `placement`: DefaultPlacement, or a window position remembered by the host.
    void Show(QB::Int32 placement = DefaultPlacement);
    void Hide();
    QB::Int32 GetPlacement() const noexcept { return _placement; }
    bool WasOpened() const noexcept { return _opened; }

    void BeginEventProcessing() noexcept { _processing = true; }
    void EndEventProcessing() noexcept { _processing = false; }
    bool IsProcessingEvents() const noexcept { return _processing; }

    // The close box: asks the observers (accept flag starting false); true when one accepted.
    // Closing is the observers' business (they hide and delete the window as they see fit).
    bool SendCloseRequest();

    bool AcceptsUserInput() const noexcept override;

protected:
    ModelessBase() = default;
    // The first show notifies the window itself, then its pages (roll-down palettes).
    virtual void NotifyOpenedOnFirstShow();

private:
    QB::Int32 _placement = DefaultPlacement;
    bool _opened = false;
    bool _processing = false;
};

class Palette : public ModelessBase {
public:
    // Frame options as the host's window manager takes them.
    Palette(const QB::Guid& guid, QB::Int32 closeType, QB::Int32 captionType, QB::Int32 frameType);
    ~Palette() override;

    const QB::Guid& GetGuid() const noexcept { return _guid; }
    QB::Int32 GetCloseType() const noexcept { return _closeType; }
    QB::Int32 GetCaptionType() const noexcept { return _captionType; }
    QB::Int32 GetFrameType() const noexcept { return _frameType; }

    // The palettes alive now, in creation order; the most recent one with that guid, or nullptr.
    static std::vector<Palette*> GetAllPalettes();
    static Palette* FindPalette(const QB::Guid& guid);

private:
    QB::Guid _guid;
    QB::Int32 _closeType;
    QB::Int32 _captionType;
    QB::Int32 _frameType;
};

} // namespace PK
