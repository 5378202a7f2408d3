#include <VantrelSim/ProjectFile.hpp>
#include <VantrelSim/TextPosition.hpp>

#include "Base64.hpp"
#include "Json.hpp"
#include "JsonExactNumbers.hpp"
#include "ProjectFileNames.hpp"
#include "StableGuid.hpp"

#include <fmt/format.h>

#include <array>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <unordered_map>

namespace VantrelSim {

namespace {

using Value = Json::Value;

std::string Escape(std::string_view key) {
    std::string escaped;
    for (const char c : key) {
        if (c == '~') {
            escaped += "~0";
        } else if (c == '/') {
            escaped += "~1";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string At(const std::string& pointer, std::string_view key) {
    return pointer + "/" + Escape(key);
}

std::string At(const std::string& pointer, Json::SizeType index) {
    return pointer + "/" + std::to_string(index);
}

class ProjectReader {
public:
    explicit ProjectReader(std::string source) : _source(std::move(source)) {}

    Project Read(const Value& root) {
        Expect(root.IsObject(), "", "the project must be a JSON object");
        CheckFormat(root);
        ReadIdentity(root);
        ReadStories(root);
        ReadViews(root);
        ReadLayers(root);
        ReadHotlinks(root);
        ReadClassification(root);
        ReadProperties(root);
        ReadElements(root);
        ReadAddonData(root);
        ReadCurrentView(root);
        return std::move(_project);
    }

private:
    [[noreturn]] void Fail(const std::string& pointer, const std::string& what) const {
        throw ProjectFileError(fmt::format("{}: {}: {}", _source, pointer.empty() ? "/" : pointer, what));
    }
    void Expect(bool condition, const std::string& pointer, const std::string& what) const {
        if (!condition) {
            Fail(pointer, what);
        }
    }

    // ---- Typed access ----------------------------------------------------------------------

    const Value* Find(const Value& object, const char* key) const {
        const auto member = object.FindMember(key);
        return member == object.MemberEnd() ? nullptr : &member->value;
    }
    const Value& Array(const Value& object, const char* key, const std::string& pointer) const {
        static const Value empty(Json::kArrayType);
        const Value* value = Find(object, key);
        if (value == nullptr) {
            return empty;
        }
        Expect(value->IsArray(), At(pointer, key), "must be an array");
        return *value;
    }
    const Value& ObjectAt(const Value& array, Json::SizeType index, const std::string& pointer) const {
        Expect(array[index].IsObject(), At(pointer, index), "must be an object");
        return array[index];
    }
    std::string String(const Value& value, const std::string& pointer) const {
        Expect(value.IsString(), pointer, "must be a string");
        return std::string(value.GetString(), value.GetStringLength());
    }
    std::optional<std::string> OptString(const Value& object, const char* key,
                                         const std::string& pointer) const {
        const Value* value = Find(object, key);
        return value == nullptr ? std::nullopt : std::optional(String(*value, At(pointer, key)));
    }
    std::string RequiredString(const Value& object, const char* key, const std::string& pointer) const {
        const auto text = OptString(object, key, pointer);
        Expect(text.has_value(), pointer, fmt::format("\"{}\" is missing", key));
        return *text;
    }
    QB::UniString Text(const Value& object, const char* key, const std::string& pointer) const {
        return QB::UniString(OptString(object, key, pointer).value_or(""));
    }
    bool Bool(const Value& object, const char* key, const std::string& pointer, bool fallback) const {
        const Value* value = Find(object, key);
        if (value == nullptr) {
            return fallback;
        }
        Expect(value->IsBool(), At(pointer, key), "must be true or false");
        return value->GetBool();
    }
    double Number(const Value& object, const char* key, const std::string& pointer, double fallback) const {
        const Value* value = Find(object, key);
        if (value == nullptr) {
            return fallback;
        }
        Expect(value->IsNumber(), At(pointer, key), "must be a number");
        return value->GetDouble();
    }
    template <typename Int> Int Integer(const Value& value, const std::string& pointer) const {
        Expect(value.IsInt64(), pointer, "must be an integer");
        const auto number = value.GetInt64();
        Expect(number >= static_cast<std::int64_t>(std::numeric_limits<Int>::min()) &&
                   number <= static_cast<std::int64_t>(std::numeric_limits<Int>::max()),
               pointer, "is out of range");
        return static_cast<Int>(number);
    }
    template <typename Int>
    Int Integer(const Value& object, const char* key, const std::string& pointer, Int fallback) const {
        const Value* value = Find(object, key);
        return value == nullptr ? fallback : Integer<Int>(*value, At(pointer, key));
    }
    QB::Guid ParseGuid(const Value& value, const std::string& pointer) const {
        const auto guid = QB::Guid::Parse(String(value, pointer));
        Expect(guid.has_value() && !guid->IsNull(), pointer, "is not a guid");
        return *guid;
    }
    // The entry's own guid, or one made from its place in the file.
    QB::Guid OwnGuid(const Value& object, const std::string& pointer, const char* key = "guid") const {
        const Value* value = Find(object, key);
        return value != nullptr ? ParseGuid(*value, At(pointer, key))
                                : StableGuid(std::string("file:") + key, pointer);
    }
    API_DataBlock Data(const Value& object, const std::string& pointer) const {
        const Value* value = Find(object, "data");
        if (value == nullptr) {
            return {};
        }
        auto data = DecodeBase64(String(*value, At(pointer, "data")));
        Expect(data.has_value(), At(pointer, "data"), "is not base64 text");
        return std::move(*data);
    }
    template <typename Guids>
    void Unique(Guids& seen, const QB::Guid& guid, const std::string& pointer) const {
        Expect(seen.insert(guid).second, pointer, fmt::format("the guid {} is used twice", guid.ToString()));
    }

    // ---- Sections --------------------------------------------------------------------------

    void CheckFormat(const Value& root) {
        const auto format = OptString(root, "format", "");
        Expect(!format || *format == FileNames::Format, "/format",
               fmt::format("\"{}\" is not a project file format (expected \"{}\")", format.value_or(""),
                           FileNames::Format));
        const auto version = Integer<int>(root, "version", "", FileNames::Version);
        Expect(
            version <= FileNames::Version, "/version",
            fmt::format("version {} is newer than this simulator reads ({})", version, FileNames::Version));
    }

    void ReadIdentity(const Value& root) {
        _project.name = Text(root, "name", "");
        _project.path = Text(root, "path", "");
        const Value* shared = Find(root, "shared");
        if (shared == nullptr) {
            return;
        }
        const std::string pointer = "/shared";
        Expect(shared->IsObject(), pointer, "must be an object");
        _project.shared = true;
        Teamwork& teamwork = _project.teamwork;
        const Value& users = Array(*shared, "users", pointer);
        for (Json::SizeType i = 0; i < users.Size(); ++i) {
            const std::string at = At(At(pointer, "users"), i);
            const Value& user = ObjectAt(users, i, At(pointer, "users"));
            const Value* id = Find(user, "id");
            Expect(id != nullptr, at, "\"id\" is missing");
            teamwork.users.push_back({Integer<QB::Int32>(*id, At(at, "id")), Text(user, "name", at)});
        }
        teamwork.currentUser = Integer<QB::Int32>(*shared, "currentUser", pointer, 1);
        if (const Value* reservations = Find(*shared, "reservations")) {
            Expect(reservations->IsObject(), At(pointer, "reservations"), "must be an object");
            for (auto it = reservations->MemberBegin(); it != reservations->MemberEnd(); ++it) {
                const std::string name(it->name.GetString(), it->name.GetStringLength());
                teamwork.setHolders.Put(name,
                                        Integer<QB::Int32>(it->value, At(At(pointer, "reservations"), name)));
            }
        }
    }

    void ReadStories(const Value& root) {
        _project.SetFirstStoryIndex(Integer<QB::Int16>(root, "firstStory", "", 0));
        const Value& stories = Array(root, "stories", "");
        Expect(stories.Size() <= static_cast<Json::SizeType>(std::numeric_limits<QB::Int16>::max()),
               "/stories", "has too many stories");
        for (Json::SizeType i = 0; i < stories.Size(); ++i) {
            const std::string pointer = At("/stories", i);
            const Value& story = ObjectAt(stories, i, "/stories");
            double elevation = 0.0;
            if (_project.StoryCount() > 0) {
                const Story& below = _project.GetStory(_project.LastStory());
                elevation = below.elevation + below.height;
            }
            const QB::UniString name(RequiredString(story, "name", pointer));
            const QB::Guid view = OwnGuid(story, pointer);
            Unique(_guids, view, pointer);
            const QB::Int16 index = _project.AddStory(name, Number(story, "elevation", pointer, elevation),
                                                      Number(story, "height", pointer, 3.0), view,
                                                      OwnGuid(story, pointer, "navigatorGuid"));
            _storiesByName.emplace(name.ToUtf8(), index);
        }
        _project.currentStory = Integer<QB::Int16>(root, "currentStory", "", _project.FirstStory());
        Expect(_project.StoryCount() == 0 || _project.HasStory(_project.currentStory), "/currentStory",
               "is not a story of the project");
    }

    void ReadViews(const Value& root) {
        const Value& views = Array(root, "views", "");
        for (Json::SizeType i = 0; i < views.Size(); ++i) {
            const std::string pointer = At("/views", i);
            const Value& entry = ObjectAt(views, i, "/views");
            const auto typeText = RequiredString(entry, "type", pointer);
            const auto type = FileNames::ParseViewType(typeText);
            Expect(
                type.has_value() && *type != APIWind_FloorPlanID, At(pointer, "type"),
                fmt::format("\"{}\" is not a view type here (floor plans come with the stories)", typeText));
            View view;
            view.type = *type;
            view.title = QB::UniString(RequiredString(entry, "title", pointer));
            view.name = Text(entry, "name", pointer);
            if (view.name.IsEmpty()) {
                view.name = view.title;
            }
            view.referenceId = Text(entry, "referenceId", pointer);
            view.databaseGuid = OwnGuid(entry, pointer);
            view.navigatorGuid = OwnGuid(entry, pointer, "navigatorGuid");
            if (view.type == APIWind_3DModelID) {
                // The project's one 3D window: the file only renames it.
                const View& window = _project.View3D();
                view.index = 0;
                view.databaseGuid = Find(entry, "guid") != nullptr ? view.databaseGuid : window.databaseGuid;
                view.navigatorGuid =
                    Find(entry, "navigatorGuid") != nullptr ? view.navigatorGuid : window.navigatorGuid;
                _project.Replace3DView(view);
                continue;
            }
            QB::Int32 index = 1;
            for (const auto& existing : _project.Views()) {
                if (existing.type == view.type) {
                    index = std::max(index, existing.index + 1);
                }
            }
            view.index = Integer<QB::Int32>(entry, "index", pointer, index);
            Expect(_project.FindView(view.type, view.index, QB::NullGuid) == nullptr, At(pointer, "index"),
                   "another view of this type has this index");
            Unique(_guids, view.databaseGuid, pointer);
            _project.AddView(std::move(view));
        }
    }

    void ReadLayers(const Value& root) {
        const Value& layers = Array(root, "layers", "");
        for (Json::SizeType i = 0; i < layers.Size(); ++i) {
            const std::string pointer = At("/layers", i);
            const Value& entry = ObjectAt(layers, i, "/layers");
            Layer layer;
            layer.name = QB::UniString(RequiredString(entry, "name", pointer));
            layer.hidden = Bool(entry, "hidden", pointer, false);
            layer.locked = Bool(entry, "locked", pointer, false);
            const std::string key = layer.name.ToUtf8();
            _layersByName.emplace(key, _project.AddLayer(std::move(layer)));
        }
    }

    void ReadHotlinks(const Value& root) {
        const Value& hotlinks = Array(root, "hotlinks", "");
        for (Json::SizeType i = 0; i < hotlinks.Size(); ++i) {
            const std::string pointer = At("/hotlinks", i);
            const Value& entry = ObjectAt(hotlinks, i, "/hotlinks");
            Hotlink hotlink{OwnGuid(entry, pointer), QB::UniString(RequiredString(entry, "name", pointer))};
            Unique(_guids, hotlink.guid, pointer);
            _hotlinksByName.emplace(hotlink.name.ToUtf8(), hotlink.guid);
            _project.AddHotlink(std::move(hotlink));
        }
    }

    void ReadItems(const Value& items, const std::string& pointer, const QB::Guid& system,
                   const std::string& systemName, const QB::Guid& parent) {
        const ClassificationSystem* owner = _project.FindSystem(system);
        if (owner == nullptr) {
            throw std::logic_error("VantrelSim: classification items read before their system");
        }
        for (Json::SizeType i = 0; i < items.Size(); ++i) {
            const std::string at = At(pointer, i);
            const Value& entry = ObjectAt(items, i, pointer);
            ClassificationItem item;
            item.guid = OwnGuid(entry, at);
            item.system = system;
            item.parent = parent;
            item.id = QB::UniString(RequiredString(entry, "id", at));
            item.name = Text(entry, "name", at);
            item.description = Text(entry, "description", at);
            Expect(!item.id.IsEmpty(), At(at, "id"), "must not be empty");
            Expect(!owner->itemsById.contains(item.id), At(at, "id"),
                   fmt::format("the item id \"{}\" is used twice in the system", item.id.ToUtf8()));
            Unique(_guids, item.guid, at);
            _itemsByPath.emplace(systemName + "/" + item.id.ToUtf8(), item.guid);
            const QB::Guid guid = item.guid;
            _project.AddItem(std::move(item), QB::NullGuid);
            ReadItems(Array(entry, "children", at), At(at, "children"), system, systemName, guid);
        }
    }

    void ReadClassification(const Value& root) {
        const Value& systems = Array(root, "classificationSystems", "");
        for (Json::SizeType i = 0; i < systems.Size(); ++i) {
            const std::string pointer = At("/classificationSystems", i);
            const Value& entry = ObjectAt(systems, i, "/classificationSystems");
            ClassificationSystem system;
            system.guid = OwnGuid(entry, pointer);
            system.name = QB::UniString(RequiredString(entry, "name", pointer));
            system.description = Text(entry, "description", pointer);
            system.source = Text(entry, "source", pointer);
            system.editionVersion = Text(entry, "editionVersion", pointer);
            Unique(_guids, system.guid, pointer);
            const std::string name = system.name.ToUtf8();
            const QB::Guid guid = _project.AddSystem(std::move(system)).guid;
            ReadItems(Array(entry, "items", pointer), At(pointer, "items"), guid, name, QB::Guid());
        }
        if (const Value* types = Find(root, "unclassifiableTypes")) {
            Expect(types->IsArray(), "/unclassifiableTypes", "must be an array");
            _project.unclassifiableTypes.clear();
            for (Json::SizeType i = 0; i < types->Size(); ++i) {
                _project.unclassifiableTypes.insert(ElemType((*types)[i], At("/unclassifiableTypes", i)));
            }
        }
    }

    QB::Guid ResolveItem(const Value& value, const std::string& pointer) const {
        const std::string text = String(value, pointer);
        if (const auto guid = QB::Guid::Parse(text); guid && _project.FindItem(*guid) != nullptr) {
            return *guid;
        }
        const auto found = _itemsByPath.find(text);
        Expect(
            found != _itemsByPath.end(), pointer,
            fmt::format("no classification item \"{}\" (write \"System/ItemId\" or the item's guid)", text));
        return found->second;
    }

    API_Variant Variant(const Value& value, API_VariantType type, const std::string& pointer) const {
        API_Variant variant;
        variant.type = type;
        switch (type) {
        case API_PropertyIntegerValueType:
            variant.intValue = Integer<QB::Int32>(value, pointer);
            break;
        case API_PropertyRealValueType:
            Expect(value.IsNumber(), pointer, "must be a number");
            variant.doubleValue = value.GetDouble();
            break;
        case API_PropertyStringValueType:
            variant.uniStringValue = QB::UniString(String(value, pointer));
            break;
        case API_PropertyBooleanValueType:
            Expect(value.IsBool(), pointer, "must be true or false");
            variant.boolValue = value.GetBool();
            break;
        case API_PropertyGuidValueType:
            variant.guidValue = QBGuid2APIGuid(ParseGuid(value, pointer));
            break;
        default:
            Fail(pointer, "has no value type");
        }
        return variant;
    }

    API_PropertyValue PropertyValue(const Value& value, const API_PropertyDefinition& definition,
                                    const std::string& pointer) const {
        API_PropertyValue result;
        if (value.IsNull()) {
            return result;
        }
        if (value.IsObject()) {
            const auto status = OptString(value, "status", pointer);
            Expect(status == "userUndefined", pointer,
                   "an object value must be {\"status\": \"userUndefined\"}");
            result.variantStatus = API_VariantStatusUserUndefined;
            return result;
        }
        result.variantStatus = API_VariantStatusNormal;
        if (definition.collectionType == API_PropertyListCollectionType) {
            Expect(value.IsArray(), pointer, "a list property's value must be an array");
            for (Json::SizeType i = 0; i < value.Size(); ++i) {
                result.listVariant.Push(Variant(value[i], definition.valueType, At(pointer, i)));
            }
        } else {
            result.singleVariant = Variant(value, definition.valueType, pointer);
        }
        return result;
    }

    void ReadProperties(const Value& root) {
        const Value& groups = Array(root, "propertyGroups", "");
        for (Json::SizeType i = 0; i < groups.Size(); ++i) {
            const std::string pointer = At("/propertyGroups", i);
            const Value& entry = ObjectAt(groups, i, "/propertyGroups");
            PropertyGroup group;
            group.guid = OwnGuid(entry, pointer);
            group.name = QB::UniString(RequiredString(entry, "name", pointer));
            group.description = Text(entry, "description", pointer);
            group.type = Bool(entry, "builtIn", pointer, false) ? API_PropertyBuiltInGroupType
                                                                : API_PropertyCustomGroupType;
            Unique(_guids, group.guid, pointer);
            const std::string groupName = group.name.ToUtf8();
            const auto groupType = group.type;
            const QB::Guid groupGuid = _project.AddGroup(std::move(group)).guid;
            const Value& definitions = Array(entry, "definitions", pointer);
            for (Json::SizeType d = 0; d < definitions.Size(); ++d) {
                const std::string at = At(At(pointer, "definitions"), d);
                const Value& item = ObjectAt(definitions, d, At(pointer, "definitions"));
                API_PropertyDefinition record;
                const QB::Guid guid = OwnGuid(item, at);
                Unique(_guids, guid, at);
                record.guid = QBGuid2APIGuid(guid);
                record.groupGuid = QBGuid2APIGuid(groupGuid);
                record.name = QB::UniString(RequiredString(item, "name", at));
                record.description = Text(item, "description", at);
                record.definitionType = groupType == API_PropertyBuiltInGroupType
                                            ? API_PropertyBuiltInDefinitionType
                                            : API_PropertyCustomDefinitionType;
                const auto valueType = OptString(item, "valueType", at).value_or("string");
                const auto parsedType = FileNames::ParseValueType(valueType);
                Expect(parsedType.has_value(), At(at, "valueType"),
                       fmt::format("\"{}\" is not one of integer, real, string, boolean, guid", valueType));
                record.valueType = *parsedType;
                const auto collection = OptString(item, "collection", at).value_or("single");
                Expect(collection == "single" || collection == "list", At(at, "collection"),
                       "must be \"single\" or \"list\"");
                record.collectionType =
                    collection == "list" ? API_PropertyListCollectionType : API_PropertySingleCollectionType;
                if (const Value* defaultValue = Find(item, "default")) {
                    record.defaultValue = PropertyValue(*defaultValue, record, At(at, "default"));
                }
                record.canValueBeEditable = Bool(item, "editable", at, true);
                const Value& available = Array(item, "availableFor", at);
                for (Json::SizeType a = 0; a < available.Size(); ++a) {
                    record.availability.Push(
                        QBGuid2APIGuid(ResolveItem(available[a], At(At(at, "availableFor"), a))));
                }
                _definitionsByPath.emplace(groupName + "/" + record.name.ToUtf8(), guid);
                _project.AddDefinition(std::move(record));
            }
        }
    }

    API_ElemTypeID ElemType(const Value& value, const std::string& pointer) const {
        std::optional<API_ElemTypeID> type;
        if (value.IsUint()) {
            type = value.GetUint();
            type = API_ElemTypeIDName(*type) != nullptr ? type : std::nullopt;
        } else {
            type = FileNames::ParseElemType(String(value, pointer));
        }
        Expect(type.has_value() && *type != API_NoElemTypeID, pointer, "is not an element type");
        return *type;
    }

    QB::Guid ResolveElement(const Value& value, const std::string& pointer) const {
        const std::string text = String(value, pointer);
        const auto byName = _elementsByName.find(text);
        if (byName != _elementsByName.end()) {
            return byName->second;
        }
        const auto guid = QB::Guid::Parse(text);
        Expect(guid.has_value() && _elementGuids.contains(*guid), pointer,
               fmt::format("no element \"{}\" (write an element's name or guid)", text));
        return *guid;
    }

    void ReadElements(const Value& root) {
        const Value& elements = Array(root, "elements", "");
        _guids.reserve(_guids.size() + elements.Size());
        _elementGuids.reserve(elements.Size());
        // First the names and guids, so elements can refer to ones further down.
        for (Json::SizeType i = 0; i < elements.Size(); ++i) {
            const std::string pointer = At("/elements", i);
            const Value& entry = ObjectAt(elements, i, "/elements");
            const QB::Guid guid = OwnGuid(entry, pointer);
            Unique(_guids, guid, pointer);
            _elementGuids.insert(guid);
            if (const auto name = OptString(entry, "name", pointer); name && !name->empty()) {
                Expect(_elementsByName.emplace(*name, guid).second, At(pointer, "name"),
                       fmt::format("the element name \"{}\" is used twice", *name));
            }
        }
        for (Json::SizeType i = 0; i < elements.Size(); ++i) {
            ReadElement(elements[i], At("/elements", i));
        }
    }

    void ReadElement(const Value& entry, const std::string& pointer) {
        Element element;
        element.guid = OwnGuid(entry, pointer);
        element.name = Text(entry, "name", pointer);
        const Value* type = Find(entry, "type");
        Expect(type != nullptr, pointer, "\"type\" is missing");
        element.type = ElemType(*type, At(pointer, "type"));
        if (const Value* variation = Find(entry, "variation")) {
            std::optional<API_ElemVariationID> parsed;
            if (variation->IsUint()) {
                parsed = variation->GetUint();
            } else {
                parsed = FileNames::ParseVariation(String(*variation, At(pointer, "variation")));
            }
            Expect(parsed.has_value(), At(pointer, "variation"),
                   "is not a variation (four characters or a number)");
            element.variation = *parsed;
        }
        element.story = StoryOf(entry, pointer);
        element.layer = LayerOf(entry, pointer);
        element.locked = Bool(entry, "locked", pointer, false);
        element.unknownHierarchy = Bool(entry, "unknownHierarchy", pointer, false);
        element.shownIn3D = Bool(entry, "shownIn3D", pointer, true);
        element.shownByRenovation = Bool(entry, "shownByRenovation", pointer, true);
        element.shownByStructure = Bool(entry, "shownByStructure", pointer, true);
        if (const auto hotlink = OptString(entry, "hotlink", pointer)) {
            const auto byName = _hotlinksByName.find(*hotlink);
            const auto guid = QB::Guid::Parse(*hotlink);
            Expect(byName != _hotlinksByName.end() || guid.has_value(), At(pointer, "hotlink"),
                   fmt::format("no hotlink \"{}\"", *hotlink));
            element.hotlink = byName != _hotlinksByName.end() ? byName->second : *guid;
        }
        if (const Value* owner = Find(entry, "owner")) {
            element.owner = ResolveElement(*owner, At(pointer, "owner"));
            Expect(element.owner != element.guid, At(pointer, "owner"), "an element cannot own itself");
        }
        if (const Value* parent = Find(entry, "sectionParent")) {
            element.sectionParent = ResolveElement(*parent, At(pointer, "sectionParent"));
        }
        const Value& items = Array(entry, "classification", pointer);
        for (Json::SizeType i = 0; i < items.Size(); ++i) {
            const QB::Guid item = ResolveItem(items[i], At(At(pointer, "classification"), i));
            element.classification[_project.FindItem(item)->system] = item;
        }
        if (const Value* properties = Find(entry, "properties")) {
            const std::string at = At(pointer, "properties");
            Expect(properties->IsObject(), at, "must be an object");
            for (auto it = properties->MemberBegin(); it != properties->MemberEnd(); ++it) {
                const std::string key(it->name.GetString(), it->name.GetStringLength());
                const QB::Guid definition = ResolveDefinition(key, At(at, key));
                element.values[definition] =
                    PropertyValue(it->value, _project.FindDefinition(definition)->record, At(at, key));
            }
        }
        const QB::Int32 holder = Integer<QB::Int32>(entry, "reservedBy", pointer, 0);
        if (holder != 0) {
            _project.teamwork.elementHolders[element.guid] = holder;
        }
        _project.AddElement(std::move(element));
    }

    QB::Int16 StoryOf(const Value& entry, const std::string& pointer) {
        const Value* story = Find(entry, "story");
        Expect(_project.StoryCount() > 0, pointer, "elements need a story: the project has none");
        if (story == nullptr) {
            return _project.FirstStory();
        }
        if (story->IsString()) {
            const auto found = _storiesByName.find(story->GetString());
            Expect(found != _storiesByName.end(), At(pointer, "story"),
                   fmt::format("no story \"{}\"", story->GetString()));
            return found->second;
        }
        const auto index = Integer<QB::Int16>(*story, At(pointer, "story"));
        Expect(_project.HasStory(index), At(pointer, "story"), fmt::format("no story {}", index));
        return index;
    }

    QB::Int32 LayerOf(const Value& entry, const std::string& pointer) {
        const Value* layer = Find(entry, "layer");
        Expect(!_project.Layers().empty(), pointer, "elements need a layer: the project has none");
        if (layer == nullptr) {
            return 1;
        }
        if (layer->IsString()) {
            const auto found = _layersByName.find(layer->GetString());
            Expect(found != _layersByName.end(), At(pointer, "layer"),
                   fmt::format("no layer \"{}\"", layer->GetString()));
            return found->second;
        }
        const auto index = Integer<QB::Int32>(*layer, At(pointer, "layer"));
        Expect(_project.FindLayer(index) != nullptr, At(pointer, "layer"), fmt::format("no layer {}", index));
        return index;
    }

    QB::Guid ResolveDefinition(const std::string& text, const std::string& pointer) const {
        if (const auto guid = QB::Guid::Parse(text); guid && _project.FindDefinition(*guid) != nullptr) {
            return *guid;
        }
        const auto found = _definitionsByPath.find(text);
        Expect(found != _definitionsByPath.end(), pointer,
               fmt::format("no property \"{}\" (write \"Group/Definition\" or the definition's guid)", text));
        return found->second;
    }

    void ReadAddonData(const Value& root) {
        const Value& records = Array(root, "modulData", "");
        for (Json::SizeType i = 0; i < records.Size(); ++i) {
            const std::string pointer = At("/modulData", i);
            const Value& entry = ObjectAt(records, i, "/modulData");
            const QB::UniString name(RequiredString(entry, "name", pointer));
            Expect(!name.IsEmpty() && !_project.modulData.ContainsKey(name), At(pointer, "name"),
                   "must be a name no other record has");
            API_ModulData record;
            record.dataVersion = Integer<QB::Int32>(entry, "dataVersion", pointer, 1);
            record.platformSign =
                Integer<API_PlatformSign>(entry, "platformSign", pointer, API_PlatformSign_LittleEndian);
            record.dataHdl = Data(entry, pointer);
            _project.modulData.Put(name, std::move(record));
        }
        const Value& objects = Array(root, "addonObjects", "");
        for (Json::SizeType i = 0; i < objects.Size(); ++i) {
            const std::string pointer = At("/addonObjects", i);
            const Value& entry = ObjectAt(objects, i, "/addonObjects");
            AddonObject object{OwnGuid(entry, pointer), QB::UniString(RequiredString(entry, "name", pointer)),
                               Data(entry, pointer)};
            Unique(_guids, object.guid, pointer);
            for (const auto& [guid, existing] : _project.addonObjects) {
                Expect(existing.name != object.name, At(pointer, "name"),
                       "another add-on object has this name");
            }
            const QB::Int32 holder = Integer<QB::Int32>(entry, "reservedBy", pointer, 0);
            if (holder != 0) {
                _project.teamwork.objectHolders[object.guid] = holder;
            }
            const QB::Guid guid = object.guid;
            _project.addonObjects.Put(guid, std::move(object));
        }
        const Value& sets = Array(root, "elementSets", "");
        for (Json::SizeType i = 0; i < sets.Size(); ++i) {
            const std::string pointer = At("/elementSets", i);
            const Value& entry = ObjectAt(sets, i, "/elementSets");
            ElementSet set;
            set.guid = OwnGuid(entry, pointer);
            Unique(_guids, set.guid, pointer);
            const Value& members = Array(entry, "elements", pointer);
            for (Json::SizeType m = 0; m < members.Size(); ++m) {
                set.elements.push_back(ResolveElement(members[m], At(At(pointer, "elements"), m)));
            }
            set.data = Data(entry, pointer);
            const QB::Guid guid = set.guid;
            _project.elementSets.Put(guid, std::move(set));
        }
    }

    void ReadCurrentView(const Value& root) {
        const Value* current = Find(root, "currentView");
        if (current == nullptr) {
            return;
        }
        const std::string pointer = "/currentView";
        const View* view = nullptr;
        if (current->IsString()) {
            for (const auto& candidate : _project.Views()) {
                if (candidate.title.ToUtf8() == current->GetString()) {
                    view = &candidate;
                }
            }
            Expect(view != nullptr, pointer, fmt::format("no view titled \"{}\"", current->GetString()));
        } else {
            Expect(current->IsObject(), pointer, "must be a view title or {\"type\": ..., \"index\": ...}");
            const auto typeText = RequiredString(*current, "type", pointer);
            const auto type = FileNames::ParseViewType(typeText);
            Expect(type.has_value(), At(pointer, "type"), fmt::format("\"{}\" is not a view type", typeText));
            const auto index = Integer<QB::Int32>(*current, "index", pointer, 0);
            view = _project.FindView(*type, index, QB::NullGuid);
            Expect(view != nullptr, pointer, fmt::format("no {} view with index {}", typeText, index));
        }
        _project.currentWindow = {view->type, view->index, QBGuid2APIGuid(view->databaseGuid)};
        if (view->type == APIWind_FloorPlanID) {
            _project.currentStory = static_cast<QB::Int16>(view->index);
        }
    }

    std::string _source;
    Project _project;
    std::unordered_set<QB::Guid> _guids;
    std::unordered_set<QB::Guid> _elementGuids;
    std::unordered_map<std::string, QB::Int16> _storiesByName;
    std::unordered_map<std::string, QB::Int32> _layersByName;
    std::unordered_map<std::string, QB::Guid> _hotlinksByName;
    std::unordered_map<std::string, QB::Guid> _itemsByPath;
    std::unordered_map<std::string, QB::Guid> _definitionsByPath;
    std::unordered_map<std::string, QB::Guid> _elementsByName;
};

} // namespace

Project ReadProjectJson(std::string_view json, std::string_view sourceName) {
    Json::Document document;
    if (const auto failure = ParseJsonExactNumbers(document, json)) {
        const auto [line, column] = PositionOf(json, failure->offset);
        throw ProjectFileError(fmt::format("{}:{}:{}: {}", sourceName, line, column, failure->message));
    }
    try {
        Project project = ProjectReader(std::string(sourceName)).Read(document);
        project.SeedGuids(StableGuid("project-file", json).ToString());
        return project;
    } catch (const ProjectFileError&) {
        throw;
    } catch (const std::logic_error& error) {
        // A check this reader missed: still a refused file, never a crash.
        throw ProjectFileError(fmt::format("{}: {}", sourceName, error.what()));
    }
}

Project LoadProjectFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw ProjectFileError(path.string() + ": cannot be read");
    }
    // Read straight into one string: a stream buffer and its copy would hold a large file twice.
    std::string text;
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError) {
        text.resize(static_cast<std::size_t>(size));
        file.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<std::size_t>(file.gcount()));
    }
    // Whatever the size said, the rest of the file (a file still growing, or no size) comes too.
    // Chunks rather than a character iterator, which the optimiser reports as a possible null read.
    file.clear();
    std::array<char, 64 * 1024> chunk{};
    while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || file.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
    }
    return ReadProjectJson(text, path.string());
}

} // namespace VantrelSim
