#include "Util/Resource/ResourceFiles.hpp"

#include "Util/Json/RapidJson.hpp"
#include "Util/Log/Log.hpp"

#include <rapidjson/error/en.h>

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>

namespace TesselConnect::Util::Resource {

namespace {

using JsonValue = rapidjson::Value;

// One file being read: remembers whether anything was wrong and names the file in every log line.
class FileReader {
public:
    explicit FileReader(std::string_view fileName) : _fileName(fileName) {}

    template <typename... Args> void Fault(fmt::format_string<Args...> format, Args&&... args) {
        _ok = false;
        LOG_CRITICAL("Resource file {}: {}", _fileName, fmt::format(format, std::forward<Args>(args)...));
    }

    bool IsOk() const { return _ok; }

    // The document's top-level object, or nullptr after logging why there is none.
    const JsonValue* Parse(std::string_view json) {
        try {
            _document.Parse<rapidjson::kParseValidateEncodingFlag>(json.data(), json.size());
        } catch (const Json::ParseException& error) {
            Fault("not valid JSON at offset {}: {}", error.Offset(),
                  rapidjson::GetParseError_En(error.Code()));
            return nullptr;
        }
        if (_document.HasParseError()) {
            Fault("not valid JSON at offset {}: {}", _document.GetErrorOffset(),
                  rapidjson::GetParseError_En(_document.GetParseError()));
            return nullptr;
        }
        if (!_document.IsObject()) {
            Fault("the top level is not an object");
            return nullptr;
        }
        return &_document;
    }

    // The array member `key` of the top-level object, or nullptr after logging.
    const JsonValue* TopArray(const JsonValue& top, const char* key) {
        const auto found = top.FindMember(key);
        if (found == top.MemberEnd() || !found->value.IsArray()) {
            Fault("no array \"{}\"", key);
            return nullptr;
        }
        return &found->value;
    }

private:
    std::string_view _fileName;
    rapidjson::Document _document;
    bool _ok = true;
};

const JsonValue* FindMember(const JsonValue& object, const char* key) {
    const auto found = object.FindMember(key);
    return found == object.MemberEnd() ? nullptr : &found->value;
}

std::optional<QB::UInt32> GetUInt(const JsonValue& object, const char* key) {
    const JsonValue* value = FindMember(object, key);
    if (value == nullptr || !value->IsUint()) {
        return std::nullopt;
    }
    return value->GetUint();
}

std::optional<QB::Int32> GetInt(const JsonValue& object, const char* key) {
    const JsonValue* value = FindMember(object, key);
    if (value == nullptr || !value->IsInt()) {
        return std::nullopt;
    }
    return value->GetInt();
}

std::string_view ToStringView(const JsonValue& value) {
    return {value.GetString(), value.GetStringLength()};
}

std::optional<std::string_view> GetString(const JsonValue& object, const char* key) {
    const JsonValue* value = FindMember(object, key);
    if (value == nullptr || !value->IsString()) {
        return std::nullopt;
    }
    return ToStringView(*value);
}

// Id of an entry that must be an object with an unsigned "id"; nullopt after logging.
std::optional<QB::UInt32> EntryId(FileReader& reader, const JsonValue& entry, const char* kind,
                                  QB::USize position) {
    if (!entry.IsObject()) {
        reader.Fault("{} entry {} is not an object", kind, position);
        return std::nullopt;
    }
    const auto id = GetUInt(entry, "id");
    if (!id) {
        reader.Fault("{} entry {} has no valid \"id\"", kind, position);
    }
    return id;
}

// An optional text member: absent gives an empty text, anything but a string is a fault.
QB::UniString OptionalText(FileReader& reader, const JsonValue& object, const char* key, QB::UInt32 id) {
    const JsonValue* value = FindMember(object, key);
    if (value == nullptr) {
        return {};
    }
    if (!value->IsString()) {
        reader.Fault("resource {}: \"{}\" is not a text", id, key);
        return {};
    }
    return QB::UniString(ToStringView(*value));
}

QB::UniString RequiredText(FileReader& reader, const JsonValue& object, const char* key, QB::UInt32 id) {
    if (FindMember(object, key) == nullptr) {
        reader.Fault("resource {}: no \"{}\"", id, key);
        return {};
    }
    return OptionalText(reader, object, key, id);
}

template <typename Enum, std::size_t Count>
std::optional<Enum> ToEnum(std::string_view name,
                           const std::array<std::pair<std::string_view, Enum>, Count>& names) {
    const auto found =
        std::find_if(names.begin(), names.end(), [name](const auto& entry) { return entry.first == name; });
    return found == names.end() ? std::nullopt : std::optional<Enum>(found->second);
}

constexpr std::array<std::pair<std::string_view, QB::DialogItemKind>, 6> ItemKinds{{
    {"browser", QB::DialogItemKind::Browser},
    {"iconButton", QB::DialogItemKind::IconButton},
    {"pushButton", QB::DialogItemKind::PushButton},
    {"popUp", QB::DialogItemKind::PopUp},
    {"text", QB::DialogItemKind::Text},
    {"listBox", QB::DialogItemKind::ListBox},
}};

constexpr std::array<std::pair<std::string_view, QB::TextAlignment>, 3> Alignments{{
    {"left", QB::TextAlignment::Left},
    {"center", QB::TextAlignment::Center},
    {"right", QB::TextAlignment::Right},
}};

std::optional<QB::ResourceRect> ReadRect(const JsonValue& object) {
    const auto x = GetInt(object, "x");
    const auto y = GetInt(object, "y");
    const auto width = GetInt(object, "width");
    const auto height = GetInt(object, "height");
    if (!x || !y || !width || !height || *width < 0 || *height < 0) {
        return std::nullopt;
    }
    return QB::ResourceRect{*x, *y, *width, *height};
}

std::optional<QB::ResourceDialogItem> ReadDialogItem(FileReader& reader, const JsonValue& entry,
                                                     QB::UInt32 dialogId, QB::USize number) {
    if (!entry.IsObject()) {
        reader.Fault("dialog {} item {} is not an object", dialogId, number);
        return std::nullopt;
    }
    QB::ResourceDialogItem item;
    const auto kindName = GetString(entry, "kind");
    const auto kind = kindName ? ToEnum(*kindName, ItemKinds) : std::nullopt;
    if (!kind) {
        reader.Fault("dialog {} item {} has no valid \"kind\"", dialogId, number);
        return std::nullopt;
    }
    item.kind = *kind;
    const auto rect = ReadRect(entry);
    if (!rect) {
        reader.Fault("dialog {} item {} has no valid position and size", dialogId, number);
        return std::nullopt;
    }
    item.rect = *rect;
    item.text = OptionalText(reader, entry, "text", dialogId);
    item.helpText = OptionalText(reader, entry, "helpText", dialogId);
    if (FindMember(entry, "icon") != nullptr) {
        const auto icon = GetUInt(entry, "icon");
        if (!icon) {
            reader.Fault("dialog {} item {} has no valid \"icon\"", dialogId, number);
        }
        item.icon = icon.value_or(0);
    }
    if (FindMember(entry, "align") != nullptr) {
        const auto alignName = GetString(entry, "align");
        const auto alignment = alignName ? ToEnum(*alignName, Alignments) : std::nullopt;
        if (!alignment) {
            reader.Fault("dialog {} item {} has no valid \"align\"", dialogId, number);
        }
        item.alignment = alignment.value_or(QB::TextAlignment::Left);
    }
    if (item.kind == QB::DialogItemKind::ListBox) {
        item.tabColumns = GetUInt(entry, "tabColumns").value_or(1);
        const auto selection = GetString(entry, "selection").value_or("single");
        if (selection != "single" && selection != "multiple") {
            reader.Fault("dialog {} item {} has no valid \"selection\"", dialogId, number);
        }
        item.multiSelection = selection == "multiple";
    }
    return item;
}

std::optional<QB::ImageFormat> FormatOfFile(std::string_view file) {
    if (file.ends_with(".svg")) {
        return QB::ImageFormat::Svg;
    }
    if (file.ends_with(".png")) {
        return QB::ImageFormat::Png;
    }
    return std::nullopt;
}

std::optional<QB::ResourceIconImage> ReadIconImage(FileReader& reader, const JsonValue& entry,
                                                   QB::UInt32 iconId, std::span<const EmbeddedFile> files) {
    if (!entry.IsObject()) {
        reader.Fault("icon {}: an image is not an object", iconId);
        return std::nullopt;
    }
    const auto dpi = GetUInt(entry, "dpi");
    const auto width = GetInt(entry, "width");
    const auto height = GetInt(entry, "height");
    const auto file = GetString(entry, "file");
    if (!dpi || *dpi == 0 || !width || *width <= 0 || !height || *height <= 0 || !file) {
        reader.Fault("icon {}: an image lacks a valid \"dpi\", \"width\", \"height\" or \"file\"", iconId);
        return std::nullopt;
    }
    const auto format = FormatOfFile(*file);
    if (!format) {
        reader.Fault("icon {}: image file {} is neither .svg nor .png", iconId, *file);
        return std::nullopt;
    }
    const auto found = std::find_if(files.begin(), files.end(), [&file](const EmbeddedFile& candidate) {
        return candidate.name == *file;
    });
    if (found == files.end()) {
        reader.Fault("icon {}: image file {} is missing", iconId, *file);
        return std::nullopt;
    }
    return QB::ResourceIconImage{*dpi, *width, *height, *format,
                                 std::vector<QB::UInt8>(found->bytes.begin(), found->bytes.end())};
}

} // namespace

bool ReadStringLists(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents) {
    FileReader reader(fileName);
    const JsonValue* top = reader.Parse(json);
    const JsonValue* lists = top == nullptr ? nullptr : reader.TopArray(*top, "stringLists");
    if (lists == nullptr) {
        return false;
    }
    for (QB::USize position = 0; position < lists->Size(); ++position) {
        const JsonValue& entry = (*lists)[static_cast<rapidjson::SizeType>(position)];
        const auto id = EntryId(reader, entry, "string list", position + 1);
        if (!id) {
            continue;
        }
        const JsonValue* items = FindMember(entry, "items");
        if (items == nullptr || !items->IsArray()) {
            reader.Fault("string list {} has no array \"items\"", *id);
            continue;
        }
        QB::ResourceStringList list{*id, {}};
        list.items.reserve(items->Size());
        for (const JsonValue& item : items->GetArray()) {
            if (item.IsString()) {
                list.items.emplace_back(ToStringView(item));
            } else {
                reader.Fault("string list {} item {} is not a text", *id, list.items.size() + 1);
                list.items.emplace_back();
            }
        }
        if (!contents.AddStringList(std::move(list))) {
            reader.Fault("string list {} is defined twice", *id);
        }
    }
    return reader.IsOk();
}

bool ReadAlerts(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents) {
    FileReader reader(fileName);
    const JsonValue* top = reader.Parse(json);
    const JsonValue* alerts = top == nullptr ? nullptr : reader.TopArray(*top, "alerts");
    if (alerts == nullptr) {
        return false;
    }
    for (QB::USize position = 0; position < alerts->Size(); ++position) {
        const JsonValue& entry = (*alerts)[static_cast<rapidjson::SizeType>(position)];
        const auto id = EntryId(reader, entry, "alert", position + 1);
        if (!id) {
            continue;
        }
        QB::ResourceAlert alert;
        alert.id = *id;
        const auto type = GetInt(entry, "type");
        if (!type) {
            reader.Fault("alert {} has no valid \"type\"", *id);
        }
        alert.type = type.value_or(-1);
        alert.title = RequiredText(reader, entry, "title", *id);
        alert.mainText = RequiredText(reader, entry, "mainText", *id);
        alert.detailText = OptionalText(reader, entry, "detailText", *id);
        const JsonValue* buttons = FindMember(entry, "buttons");
        if (buttons == nullptr || !buttons->IsArray() || buttons->Empty()) {
            reader.Fault("alert {} has no buttons", *id);
            continue;
        }
        for (const JsonValue& button : buttons->GetArray()) {
            if (!button.IsString()) {
                reader.Fault("alert {}: a button text is not a text", *id);
            }
            alert.buttons.emplace_back(button.IsString() ? QB::UniString(ToStringView(button))
                                                         : QB::UniString());
        }
        if (!contents.AddAlert(std::move(alert))) {
            reader.Fault("alert {} is defined twice", *id);
        }
    }
    return reader.IsOk();
}

bool ReadDialogs(std::string_view fileName, std::string_view json, QB::ResourceModuleContents& contents) {
    FileReader reader(fileName);
    const JsonValue* top = reader.Parse(json);
    const JsonValue* dialogs = top == nullptr ? nullptr : reader.TopArray(*top, "dialogs");
    if (dialogs == nullptr) {
        return false;
    }
    for (QB::USize position = 0; position < dialogs->Size(); ++position) {
        const JsonValue& entry = (*dialogs)[static_cast<rapidjson::SizeType>(position)];
        const auto id = EntryId(reader, entry, "dialog", position + 1);
        if (!id) {
            continue;
        }
        QB::ResourceDialog dialog;
        dialog.id = *id;
        dialog.title = OptionalText(reader, entry, "title", *id);
        const auto width = GetInt(entry, "width");
        const auto height = GetInt(entry, "height");
        if (!width || *width <= 0 || !height || *height <= 0) {
            reader.Fault("dialog {} has no valid size", *id);
            continue;
        }
        dialog.width = *width;
        dialog.height = *height;
        const JsonValue* items = FindMember(entry, "items");
        if (items == nullptr || !items->IsArray()) {
            reader.Fault("dialog {} has no array \"items\"", *id);
            continue;
        }
        // An item that cannot be read would renumber all items behind it, so the dialog goes.
        bool itemsOk = true;
        for (const JsonValue& itemEntry : items->GetArray()) {
            auto item = ReadDialogItem(reader, itemEntry, *id, dialog.items.size() + 1);
            if (!item) {
                itemsOk = false;
                break;
            }
            dialog.items.push_back(std::move(*item));
        }
        if (!itemsOk) {
            continue;
        }
        if (!contents.AddDialog(std::move(dialog))) {
            reader.Fault("dialog {} is defined twice", *id);
        }
    }
    return reader.IsOk();
}

bool ReadModuleIdentifier(std::string_view fileName, std::string_view json,
                          QB::ResourceModuleContents& contents) {
    FileReader reader(fileName);
    const JsonValue* top = reader.Parse(json);
    if (top == nullptr) {
        return false;
    }
    const auto id = GetUInt(*top, "id");
    const auto developerId = GetUInt(*top, "developerId");
    const auto localId = GetUInt(*top, "localId");
    if (!id || !developerId || !localId) {
        reader.Fault("no valid \"id\", \"developerId\" and \"localId\"");
        return false;
    }
    contents.SetModuleIdentifier(QB::ModuleIdentifier{*id, *developerId, *localId});
    return true;
}

bool ReadIcons(std::string_view fileName, std::string_view json, std::span<const EmbeddedFile> files,
               QB::ResourceModuleContents& contents) {
    FileReader reader(fileName);
    const JsonValue* top = reader.Parse(json);
    const JsonValue* icons = top == nullptr ? nullptr : reader.TopArray(*top, "icons");
    if (icons == nullptr) {
        return false;
    }
    for (QB::USize position = 0; position < icons->Size(); ++position) {
        const JsonValue& entry = (*icons)[static_cast<rapidjson::SizeType>(position)];
        const auto id = EntryId(reader, entry, "icon", position + 1);
        if (!id) {
            continue;
        }
        QB::ResourceIcon icon;
        icon.id = *id;
        icon.name = GetString(entry, "name").value_or("");
        const JsonValue* images = FindMember(entry, "images");
        if (images == nullptr || !images->IsArray() || images->Empty()) {
            reader.Fault("icon {} has no images", *id);
            continue;
        }
        for (const JsonValue& imageEntry : images->GetArray()) {
            if (auto image = ReadIconImage(reader, imageEntry, *id, files)) {
                icon.images.push_back(std::move(*image));
            }
        }
        if (icon.images.empty()) {
            continue;
        }
        if (!contents.AddIcon(std::move(icon))) {
            reader.Fault("icon {} is defined twice", *id);
        }
    }
    return reader.IsOk();
}

bool ReadResourceFiles(std::span<const EmbeddedFile> files, QB::ResourceModuleContents& contents) {
    const auto text = [files](std::string_view name) -> std::optional<std::string_view> {
        const auto found = std::find_if(files.begin(), files.end(),
                                        [name](const EmbeddedFile& file) { return file.name == name; });
        if (found == files.end()) {
            LOG_CRITICAL("Resource file {}: missing", name);
            return std::nullopt;
        }
        return found->Text();
    };
    bool ok = true;
    const auto read = [&](std::string_view name, auto&& reader) {
        const auto json = text(name);
        ok = (json && reader(name, *json)) && ok;
    };
    read("StringLists.json",
         [&](std::string_view name, std::string_view json) { return ReadStringLists(name, json, contents); });
    read("Alerts.json",
         [&](std::string_view name, std::string_view json) { return ReadAlerts(name, json, contents); });
    read("Dialogs.json",
         [&](std::string_view name, std::string_view json) { return ReadDialogs(name, json, contents); });
    read("Icons.json", [&](std::string_view name, std::string_view json) {
        return ReadIcons(name, json, files, contents);
    });
    read("ModuleIdentifier.json", [&](std::string_view name, std::string_view json) {
        return ReadModuleIdentifier(name, json, contents);
    });
    return ok;
}

} // namespace TesselConnect::Util::Resource
