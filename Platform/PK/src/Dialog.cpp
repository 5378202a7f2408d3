#include <PK/Dialog.hpp>

#include "Diagnostics.hpp"

#include <algorithm>

namespace PK {

namespace {

// New windows cascade from the top left of the screen, as window managers place them.
QB::Int32 NextCascadeStep() noexcept {
    static QB::Int32 windows = 0;
    return (windows++ % 10) * 24;
}

std::vector<Palette*>& Palettes() {
    static std::vector<Palette*> palettes;
    return palettes;
}

} // namespace

Dialog::Dialog() {
    const QB::Int32 step = NextCascadeStep();
    _x = 40 + step;
    _y = 40 + step;
}

void ModelessBase::Show(QB::Int32 placement) {
    Detail::AssertMainThread();
    _placement = placement;
    SetVisible(true);
    if (!_opened) {
        _opened = true;
        NotifyOpenedOnFirstShow();
    }
}

void ModelessBase::Hide() {
    Detail::AssertMainThread();
    SetVisible(false);
}

bool ModelessBase::SendCloseRequest() {
    Detail::AssertMainThread();
    return NotifyCloseRequested(false);
}

bool ModelessBase::AcceptsUserInput() const noexcept {
    return IsValid() && IsVisible() && _processing;
}

void ModelessBase::NotifyOpenedOnFirstShow() {
    NotifyOpened();
}

Palette::Palette(const QB::Guid& guid, QB::Int32 closeType, QB::Int32 captionType, QB::Int32 frameType)
    : _guid(guid), _closeType(closeType), _captionType(captionType), _frameType(frameType) {
    if (guid.IsNull()) {
        Detail::Report("a palette needs a guid; the null guid makes it invalid");
        Invalidate();
    }
    Palettes().push_back(this);
}

Palette::~Palette() {
    auto& palettes = Palettes();
    palettes.erase(std::remove(palettes.begin(), palettes.end(), this), palettes.end());
}

std::vector<Palette*> Palette::GetAllPalettes() {
    return Palettes();
}

Palette* Palette::FindPalette(const QB::Guid& guid) {
    const auto& palettes = Palettes();
    const auto found = std::find_if(palettes.rbegin(), palettes.rend(),
                                    [&guid](const Palette* palette) { return palette->GetGuid() == guid; });
    return found != palettes.rend() ? *found : nullptr;
}

} // namespace PK
