#include <QB/Resource.hpp>

#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <utility>

namespace QB {

namespace {

template <typename Resource> bool AddOnce(std::unordered_map<ResId, Resource>& table, Resource resource) {
    const ResId id = resource.id;
    return table.try_emplace(id, std::move(resource)).second;
}

template <typename Resource>
const Resource* FindIn(const std::unordered_map<ResId, Resource>& table, ResId id) {
    const auto found = table.find(id);
    return found == table.end() ? nullptr : &found->second;
}

// The same library may be named through a relative path, "..", or a symbolic link.
std::string NormalisePath(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::error_code error;
    std::filesystem::path normal = std::filesystem::weakly_canonical(std::filesystem::path(path), error);
    if (error) {
        normal = std::filesystem::path(path).lexically_normal();
    }
    return normal.string();
}

struct RegisteredModule {
    std::string normalisedPath;
    std::shared_ptr<const ResourceModuleContents> contents;
};

class Registry {
public:
    ResModule Register(std::string_view filePath, ResourceModuleContents contents) {
        auto shared = std::make_shared<const ResourceModuleContents>(std::move(contents));
        std::string path = NormalisePath(filePath);
        const std::lock_guard lock(_mutex);
        const ResModule handle = _nextHandle++;
        _modules.emplace(handle, RegisteredModule{std::move(path), std::move(shared)});
        return handle;
    }

    bool Unregister(ResModule module) {
        const std::lock_guard lock(_mutex);
        return _modules.erase(module) == 1;
    }

    ResModule Find(std::string_view filePath) const {
        const std::string path = NormalisePath(filePath);
        if (path.empty()) {
            return InvalidResModule;
        }
        const std::lock_guard lock(_mutex);
        // Newest first: a library loaded again after an unclean unload wins over its leftover.
        for (auto it = _modules.rbegin(); it != _modules.rend(); ++it) {
            if (it->second.normalisedPath == path) {
                return it->first;
            }
        }
        return InvalidResModule;
    }

    std::shared_ptr<const ResourceModuleContents> Get(ResModule module) const {
        const std::lock_guard lock(_mutex);
        const auto found = _modules.find(module);
        return found == _modules.end() ? nullptr : found->second.contents;
    }

private:
    mutable std::mutex _mutex;
    // Ordered by handle, which is registration order; a process holds only a few modules.
    std::map<ResModule, RegisteredModule> _modules;
    ResModule _nextHandle = 1;
};

Registry& GetRegistry() {
    static Registry registry;
    return registry;
}

} // namespace

const ResourceIconImage* ResourceIcon::ImageFor(UInt32 dpi) const {
    const ResourceIconImage* atOrAbove = nullptr;
    const ResourceIconImage* highest = nullptr;
    for (const ResourceIconImage& image : images) {
        if (image.dpi >= dpi && (atOrAbove == nullptr || image.dpi < atOrAbove->dpi)) {
            atOrAbove = &image;
        }
        if (highest == nullptr || image.dpi > highest->dpi) {
            highest = &image;
        }
    }
    return atOrAbove != nullptr ? atOrAbove : highest;
}

bool ResourceModuleContents::AddStringList(ResourceStringList list) {
    return AddOnce(_stringLists, std::move(list));
}
bool ResourceModuleContents::AddAlert(ResourceAlert alert) {
    return AddOnce(_alerts, std::move(alert));
}
bool ResourceModuleContents::AddDialog(ResourceDialog dialog) {
    return AddOnce(_dialogs, std::move(dialog));
}
bool ResourceModuleContents::AddIcon(ResourceIcon icon) {
    return AddOnce(_icons, std::move(icon));
}

const ResourceStringList* ResourceModuleContents::FindStringList(ResId id) const {
    return FindIn(_stringLists, id);
}
const ResourceAlert* ResourceModuleContents::FindAlert(ResId id) const {
    return FindIn(_alerts, id);
}
const ResourceDialog* ResourceModuleContents::FindDialog(ResId id) const {
    return FindIn(_dialogs, id);
}
const ResourceIcon* ResourceModuleContents::FindIcon(ResId id) const {
    return FindIn(_icons, id);
}

ResModule RegisterResourceModule(std::string_view filePath, ResourceModuleContents contents) {
    return GetRegistry().Register(filePath, std::move(contents));
}

bool UnregisterResourceModule(ResModule module) {
    return GetRegistry().Unregister(module);
}

ResModule FindResourceModule(std::string_view filePath) {
    return GetRegistry().Find(filePath);
}

std::shared_ptr<const ResourceModuleContents> GetResourceModule(ResModule module) {
    return GetRegistry().Get(module);
}

bool GetIndexedString(UniString& text, ResId listId, Int32 index, ResModule module) {
    const auto contents = GetResourceModule(module);
    if (contents == nullptr || index < 1) {
        return false;
    }
    const ResourceStringList* list = contents->FindStringList(listId);
    if (list == nullptr || static_cast<USize>(index) > list->items.size()) {
        return false;
    }
    text = list->items[static_cast<USize>(index) - 1];
    return true;
}

std::optional<ResourceAlert> GetResourceAlert(ResModule module, ResId alertId) {
    const auto contents = GetResourceModule(module);
    const ResourceAlert* alert = contents == nullptr ? nullptr : contents->FindAlert(alertId);
    return alert == nullptr ? std::nullopt : std::optional<ResourceAlert>(*alert);
}

std::optional<ResourceDialog> GetResourceDialog(ResModule module, ResId dialogId) {
    const auto contents = GetResourceModule(module);
    const ResourceDialog* dialog = contents == nullptr ? nullptr : contents->FindDialog(dialogId);
    return dialog == nullptr ? std::nullopt : std::optional<ResourceDialog>(*dialog);
}

std::optional<ResourceIcon> GetResourceIcon(ResModule module, ResId iconId) {
    const auto contents = GetResourceModule(module);
    const ResourceIcon* icon = contents == nullptr ? nullptr : contents->FindIcon(iconId);
    return icon == nullptr ? std::nullopt : std::optional<ResourceIcon>(*icon);
}

std::optional<ModuleIdentifier> GetModuleIdentifier(ResModule module) {
    const auto contents = GetResourceModule(module);
    return contents == nullptr ? std::nullopt : contents->GetModuleIdentifier();
}

UniString FillAlertParameters(const UniString& text, std::span<const UniString> parameters) {
    static constexpr std::string_view Marker = "%s";
    const std::string& source = text.ToUtf8();
    std::string filled;
    filled.reserve(source.size());
    USize next = 0;
    USize from = 0;
    for (USize at = source.find(Marker); at != std::string::npos; at = source.find(Marker, from)) {
        filled.append(source, from, at - from);
        if (next < parameters.size()) {
            filled.append(parameters[next].ToUtf8());
        }
        ++next;
        from = at + Marker.size();
    }
    filled.append(source, from, std::string::npos);
    return UniString(filled);
}

ResourceAlert FillAlertParameters(ResourceAlert alert, std::span<const UniString> parameters) {
    alert.title = FillAlertParameters(alert.title, parameters);
    alert.mainText = FillAlertParameters(alert.mainText, parameters);
    alert.detailText = FillAlertParameters(alert.detailText, parameters);
    return alert;
}

} // namespace QB
