#pragma once

// Resource modules of the host core library.
//
// A module (the host application's own or an add-on's) registers its parsed resources once, at
// load, and gets a handle; the host and the dialog library then look texts, alerts, dialogs and
// icons up by handle and resource id. Unregistering at unload makes the handle invalid for good:
// handles are never reused, so a stale handle fails its lookups instead of reading another module.
//
// Callers: the add-on (registration, indexed string lookup), the simulated host and the dialog
// library (alerts, dialogs, icons). Any thread; the registry serialises access. Lookups return
// copies (or shared immutable contents), so results stay valid after the module is unregistered.
// Nothing here throws except std::bad_alloc.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace QB {

using ResId = UInt32;

// Handle of a registered module; InvalidResModule names none.
using ResModule = Int32;
inline constexpr ResModule InvalidResModule = 0;

struct ResourceStringList {
    ResId id = 0;
    std::vector<UniString> items; // item n (1-based) at position n - 1
};

struct ResourceAlert {
    ResId id = 0;
    Int32 type = 0; // the host's alert kind (its icon): -1 or -2 in add-on resources
    UniString title;
    UniString mainText;
    UniString detailText;
    std::vector<UniString> buttons; // button n (1-based, the alert's answer) at position n - 1
};

enum class DialogItemKind { Browser, IconButton, PushButton, PopUp, Text, ListBox };

enum class TextAlignment { Left, Center, Right };

struct ResourceRect {
    Int32 x = 0;
    Int32 y = 0;
    Int32 width = 0;
    Int32 height = 0;

    friend bool operator==(const ResourceRect&, const ResourceRect&) = default;
};

struct ResourceDialogItem {
    DialogItemKind kind = DialogItemKind::Text;
    ResourceRect rect;
    UniString text;     // text items and push buttons
    ResId icon = 0;     // icon buttons; 0 for none
    UniString helpText; // tool tip
    TextAlignment alignment = TextAlignment::Left;
    UInt32 tabColumns = 0;       // list boxes
    bool multiSelection = false; // list boxes
};

struct ResourceDialog {
    ResId id = 0;
    UniString title;
    Int32 width = 0;
    Int32 height = 0;
    std::vector<ResourceDialogItem> items; // item n (1-based) at position n - 1
};

enum class ImageFormat { Svg, Png };

struct ResourceIconImage {
    UInt32 dpi = 96;
    Int32 width = 0; // pixels at this resolution
    Int32 height = 0;
    ImageFormat format = ImageFormat::Svg;
    std::vector<UInt8> data;
};

struct ResourceIcon {
    ResId id = 0;
    std::string name;
    std::vector<ResourceIconImage> images;

    // The image drawn at `dpi`: the lowest resolution at or above it, else the highest there is;
    // nullptr when the icon has no image.
    const ResourceIconImage* ImageFor(UInt32 dpi) const;
};

// Tells the host which add-on a module belongs to.
struct ModuleIdentifier {
    ResId id = 0;
    UInt32 developerId = 0;
    UInt32 localId = 0;

    friend bool operator==(const ModuleIdentifier&, const ModuleIdentifier&) = default;
};

// Everything one module holds, keyed by resource id within each kind.
class ResourceModuleContents {
public:
    // Each Add refuses (false) an id that its kind already holds, keeping the first.
    bool AddStringList(ResourceStringList list);
    bool AddAlert(ResourceAlert alert);
    bool AddDialog(ResourceDialog dialog);
    bool AddIcon(ResourceIcon icon);
    void SetModuleIdentifier(const ModuleIdentifier& identifier) { _moduleIdentifier = identifier; }

    const ResourceStringList* FindStringList(ResId id) const;
    const ResourceAlert* FindAlert(ResId id) const;
    const ResourceDialog* FindDialog(ResId id) const;
    const ResourceIcon* FindIcon(ResId id) const;
    const std::optional<ModuleIdentifier>& GetModuleIdentifier() const { return _moduleIdentifier; }

    USize GetStringListCount() const { return _stringLists.size(); }
    USize GetAlertCount() const { return _alerts.size(); }
    USize GetDialogCount() const { return _dialogs.size(); }
    USize GetIconCount() const { return _icons.size(); }

private:
    std::unordered_map<ResId, ResourceStringList> _stringLists;
    std::unordered_map<ResId, ResourceAlert> _alerts;
    std::unordered_map<ResId, ResourceDialog> _dialogs;
    std::unordered_map<ResId, ResourceIcon> _icons;
    std::optional<ModuleIdentifier> _moduleIdentifier;
};

// Registers a module loaded from `filePath` (the library file the resources belong to; may be
// empty for a module that is only found by handle). Returns its handle, never InvalidResModule.
ResModule RegisterResourceModule(std::string_view filePath, ResourceModuleContents contents);
// False when the handle names no registered module.
bool UnregisterResourceModule(ResModule module);

// The module registered for that library file (paths compared after normalisation), the most
// recently registered one if several; InvalidResModule when there is none.
ResModule FindResourceModule(std::string_view filePath);
// The module's contents; empty for an unknown handle.
std::shared_ptr<const ResourceModuleContents> GetResourceModule(ResModule module);

// The host's indexed string lookup: item `index` (1-based) of string list `listId`. False, with
// `text` left unchanged, for an unknown module or list and for an index outside 1..count.
bool GetIndexedString(UniString& text, ResId listId, Int32 index, ResModule module);

std::optional<ResourceAlert> GetResourceAlert(ResModule module, ResId alertId);
std::optional<ResourceDialog> GetResourceDialog(ResModule module, ResId dialogId);
std::optional<ResourceIcon> GetResourceIcon(ResModule module, ResId iconId);
std::optional<ModuleIdentifier> GetModuleIdentifier(ResModule module);

// Alert texts take "%s" parameters: the n-th "%s" of a text gets parameters[n - 1]; a "%s"
// without a parameter becomes empty, parameters without a "%s" are unused. Inserted values are
// not scanned again, so a parameter that itself contains "%s" shows as typed.
UniString FillAlertParameters(const UniString& text, std::span<const UniString> parameters);
// The alert with its title, main and detail texts filled, each text on its own from the first
// parameter on.
ResourceAlert FillAlertParameters(ResourceAlert alert, std::span<const UniString> parameters);

} // namespace QB
