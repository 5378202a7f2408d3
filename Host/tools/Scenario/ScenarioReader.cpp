#include "Scenario/ScenarioReader.hpp"

#include "Scenario/ScenarioReaderParts.hpp"

#include "Base64.hpp"

#include <VantrelSim/HostErrorName.hpp>
#include <VantrelSim/TextPosition.hpp>

#include <fmt/format.h>

#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

namespace VantrelSim::Tool {

namespace {

using Value = Json::Value;

std::filesystem::path Resolve(const std::filesystem::path& folder, const std::string& path) {
    const std::filesystem::path given(path);
    return given.is_absolute() ? given : (folder / given).lexically_normal();
}

std::string NonEmpty(const JsonFields& fields, const char* key) {
    std::string text = fields.String(key);
    if (text.empty()) {
        fields.Fail(key, "must not be empty");
    }
    return text;
}

Names ElementList(const JsonFields& fields, const char* key, bool required) {
    if (required && !fields.Has(key)) {
        fields.Fail("", fmt::format("\"{}\" is missing", key));
    }
    Names names = fields.NameList(key);
    for (const std::string& name : names) {
        if (name.empty()) {
            fields.Fail(key, "an element name must not be empty");
        }
    }
    return names;
}

NewElement ReadNewElement(const JsonFields& step) {
    const JsonFields fields = step.Object("element");
    NewElement element;
    element.name = NonEmpty(fields, "name");
    element.type = NonEmpty(fields, "type");
    element.variation = fields.StringOr("variation", "");
    element.story = fields.StringOr("story", "");
    element.layer = fields.StringOr("layer", "");
    element.owner = fields.StringOr("owner", "");
    element.hotlink = fields.StringOr("hotlink", "");
    element.locked = fields.Bool("locked", false);
    element.classification = fields.NameList("classification");
    for (const std::string& item : element.classification) {
        if (item.find('/') == std::string::npos) {
            fields.Fail("classification", fmt::format("\"{}\" must be written \"System/ItemId\"", item));
        }
    }
    fields.Done();
    return element;
}

SetProperty ReadSetProperty(const JsonFields& fields) {
    return SetProperty{NonEmpty(fields, "element"), NonEmpty(fields, "property"), fields.String("value")};
}

Reserve ReadReserve(const JsonFields& fields, bool release) {
    Reserve reserve;
    reserve.release = release;
    reserve.user = release ? 0 : fields.Int("user", 0);
    reserve.elements = ElementList(fields, "elements", false);
    reserve.set = fields.StringOr("set", "");
    reserve.addonObject = fields.StringOr("addonObject", "");
    if (reserve.elements.empty() && reserve.set.empty() && reserve.addonObject.empty()) {
        fields.Fail("", "name \"elements\", a \"set\" or an \"addonObject\"");
    }
    return reserve;
}

API_DataBlock ReadData(const JsonFields& fields) {
    const std::string text = fields.StringOr("data", "");
    const auto data = DecodeBase64(text);
    if (!data) {
        fields.Fail("data", "must be base64 (standard alphabet, with padding)");
    }
    return *data;
}

AddonObjectChange ReadAddonObjectChange(const JsonFields& fields, const std::filesystem::path& folder,
                                        AddonObjectChange::Kind kind) {
    AddonObjectChange change;
    change.kind = kind;
    change.name = NonEmpty(fields, "name");
    if (kind == AddonObjectChange::Kind::Delete) {
        return change;
    }
    if (fields.Has("from")) {
        if (fields.Has("data")) {
            fields.Fail("", "give the content as \"data\" or take it \"from\" a project file, not both");
        }
        change.from = Resolve(folder, NonEmpty(fields, "from"));
    } else {
        change.data = ReadData(fields);
    }
    return change;
}

} // namespace

OtherUserChange ReadOtherUserChange(const JsonFields& fields, const std::filesystem::path& folder) {
    const std::string kind = fields.String("do");
    if (kind == "createElement") {
        return CreateElement{ReadNewElement(fields)};
    }
    if (kind == "deleteElements") {
        return DeleteElements{ElementList(fields, "elements", true)};
    }
    if (kind == "lockElements") {
        return LockElements{ElementList(fields, "elements", true), fields.Bool("locked", true)};
    }
    if (kind == "setProperty") {
        return ReadSetProperty(fields);
    }
    if (kind == "copyModulData") {
        return CopyModulData{Resolve(folder, NonEmpty(fields, "from")), NonEmpty(fields, "name")};
    }
    if (kind == "eraseModulData") {
        return EraseModulData{NonEmpty(fields, "name")};
    }
    if (kind == "storeModulData") {
        StoreModulData store;
        store.name = NonEmpty(fields, "name");
        store.data = ReadData(fields);
        store.dataVersion = fields.Int("dataVersion", 1);
        const QB::Int32 sign = fields.Int("platformSign", API_PlatformSign_LittleEndian);
        if (sign < 0 || sign > 0xFFFF) {
            fields.Fail("platformSign", "must be a number from 0 to 65535");
        }
        store.platformSign = static_cast<API_PlatformSign>(sign);
        return store;
    }
    if (kind == "createAddonObject") {
        return ReadAddonObjectChange(fields, folder, AddonObjectChange::Kind::Create);
    }
    if (kind == "changeAddonObject") {
        return ReadAddonObjectChange(fields, folder, AddonObjectChange::Kind::Change);
    }
    if (kind == "deleteAddonObject") {
        return ReadAddonObjectChange(fields, folder, AddonObjectChange::Kind::Delete);
    }
    if (kind == "createPropertyGroup" || kind == "deletePropertyGroup") {
        return PropertyGroupChange{kind.starts_with("create"), NonEmpty(fields, "name")};
    }
    if (kind == "createPropertyDefinition") {
        return PropertyDefinitionChange{true, NonEmpty(fields, "group"), NonEmpty(fields, "name"),
                                        fields.StringOr("default", ""), fields.NameList("availableFor")};
    }
    if (kind == "deletePropertyDefinition") {
        return PropertyDefinitionChange{false, NonEmpty(fields, "group"), NonEmpty(fields, "name"), {}, {}};
    }
    if (kind == "createClassificationItem") {
        return ClassificationItemChange{true, NonEmpty(fields, "system"), NonEmpty(fields, "id"),
                                        fields.StringOr("name", ""), fields.StringOr("parent", "")};
    }
    if (kind == "deleteClassificationItem") {
        return ClassificationItemChange{false, NonEmpty(fields, "system"), NonEmpty(fields, "id"), {}, {}};
    }
    if (kind == "reserve" || kind == "release") {
        Reserve reserve = ReadReserve(fields, kind == "release");
        if (fields.Has("user")) {
            fields.Fail("user", "is the other user's already (the \"user\" of the changes)");
        }
        return reserve;
    }
    fields.Fail("do", fmt::format("\"{}\" is not something another user does here (createElement, "
                                  "deleteElements, lockElements, setProperty, copyModulData, eraseModulData, "
                                  "storeModulData, createAddonObject, changeAddonObject, deleteAddonObject, "
                                  "createPropertyGroup, deletePropertyGroup, createPropertyDefinition, "
                                  "deletePropertyDefinition, createClassificationItem, "
                                  "deleteClassificationItem, reserve, release)",
                                  kind));
}

HostFunction HostFunctionNamed(const JsonFields& fields, const std::string& key, const std::string& name) {
    if (const auto function = HostFunctionFromName(name)) {
        return *function;
    }
    if (const auto function = HostFunctionFromName("VNAPI_" + name)) {
        return *function;
    }
    fields.Fail(
        key,
        fmt::format("\"{}\" is not a host function (e.g. \"VNAPI_AddOnObject_CreateUniqueObject\")", name));
}

HostFunction ReadHostFunction(const JsonFields& fields, const char* key) {
    return HostFunctionNamed(fields, key, NonEmpty(fields, key));
}

namespace {

VNAPI_ErrCode ReadErrorCode(const JsonFields& fields, const char* key) {
    const Value* value = fields.Find(key);
    if (value == nullptr) {
        fields.Fail("", fmt::format("\"{}\" is missing", key));
    }
    if (value->IsUint() && value->GetUint() != 0) {
        return value->GetUint();
    }
    if (value->IsString()) {
        const std::string name = fields.StringOf(*value, key);
        if (const auto code = HostErrorFromName(name); code && *code != NoError) {
            return *code;
        }
        fields.Fail(key, fmt::format("\"{}\" is not a host error code (e.g. \"APIERR_NOTMINE\")", name));
    }
    fields.Fail(key, "must be a host error code: its name (\"APIERR_NOTMINE\") or its number");
}

std::optional<std::size_t> OptCount(const JsonFields& fields, const char* key) {
    const auto count = fields.OptInt(key);
    if (count && *count < 1) {
        fields.Fail(key, "must be at least 1");
    }
    return count ? std::optional<std::size_t>(static_cast<std::size_t>(*count)) : std::nullopt;
}

} // namespace

HostFaultSpec ReadHostFault(const JsonFields& fields) {
    HostFaultSpec fault;
    fault.function = ReadHostFunction(fields, "function");
    fault.code = ReadErrorCode(fields, "error");
    fault.calls = OptCount(fields, "calls");
    fault.call = OptCount(fields, "call");
    if (fault.calls && fault.call) {
        fields.Fail("", "say \"calls\" (the next N calls) or \"call\" (only the K-th), not both");
    }
    fault.element = fields.StringOr("element", "");
    return fault;
}

namespace {

std::vector<HostFaultSpec> ReadStepFaults(const JsonFields& step) {
    std::vector<HostFaultSpec> faults;
    const Value* list = step.Find("faults");
    if (list == nullptr) {
        return faults;
    }
    if (!list->IsArray()) {
        step.Fail("faults", "must be a list of host faults");
    }
    for (Json::SizeType i = 0; i < list->Size(); ++i) {
        const JsonFields fault = step.ObjectAt((*list)[i], fmt::format("faults[{}]", i));
        faults.push_back(ReadHostFault(fault));
        fault.Done();
    }
    return faults;
}

std::vector<Meanwhile> ReadMeanwhile(const JsonFields& step, const std::filesystem::path& folder) {
    std::vector<Meanwhile> all;
    const Value* list = step.Find("meanwhile");
    if (list == nullptr) {
        return all;
    }
    const auto readOne = [&](const Value& value, const std::string& key) {
        const JsonFields fields = step.ObjectAt(value, key);
        Meanwhile meanwhile;
        meanwhile.user = fields.Int("user", 2);
        if (meanwhile.user <= 0) {
            fields.Fail("user", "must be a number above 0");
        }
        meanwhile.before = ReadHostFunction(fields, "before");
        meanwhile.call = OptCount(fields, "call").value_or(1);
        const Value* changes = fields.Find("changes");
        if (changes == nullptr || !changes->IsArray() || changes->Empty()) {
            fields.Fail("changes", "must be a list of what the other user does");
        }
        for (Json::SizeType i = 0; i < changes->Size(); ++i) {
            const JsonFields change = fields.ObjectAt((*changes)[i], fmt::format("changes[{}]", i));
            OtherUserChange read = ReadOtherUserChange(change, folder);
            if (std::holds_alternative<CopyModulData>(read) || std::holds_alternative<EraseModulData>(read) ||
                std::holds_alternative<StoreModulData>(read)) {
                change.Fail("do",
                            "module data of another user arrive with \"receiveChanges\", not meanwhile");
            }
            meanwhile.changes.push_back(std::move(read));
            change.Done();
        }
        fields.Done();
        all.push_back(std::move(meanwhile));
    };
    if (list->IsArray()) {
        for (Json::SizeType i = 0; i < list->Size(); ++i) {
            readOne((*list)[i], fmt::format("meanwhile[{}]", i));
        }
    } else {
        readOne(*list, "meanwhile");
    }
    return all;
}

// "${name}" in the arguments of a page call: only the live values the simulator knows.
void CheckLiveValues(const JsonFields& fields, const std::string& arguments) {
    for (std::size_t at = arguments.find("${"); at != std::string::npos; at = arguments.find("${", at + 2)) {
        const std::size_t end = arguments.find('}', at);
        const std::string name = arguments.substr(at + 2, end == std::string::npos ? end : end - at - 2);
        bool known = false;
        for (const char* live : LiveValueNames) {
            known = known || name == live;
        }
        if (!known) {
            fields.Fail("arguments", fmt::format("\"${{{}}}\" is not a live value (${{documentRef}}, "
                                                 "${{selectionTypeId}})",
                                                 name));
        }
    }
}

// How many steps an undo or redo takes back or makes again.
QB::Int32 ReadTimes(const JsonFields& fields) {
    const QB::Int32 times = fields.Int("times", 1);
    if (times < 1) {
        fields.Fail("times", "must be at least 1");
    }
    return times;
}

ReceiveChanges ReadReceiveChanges(const JsonFields& fields, const std::filesystem::path& folder) {
    ReceiveChanges receive;
    receive.user = fields.Int("user", 2);
    receive.mode = fields.StringOr("mode", "merge");
    if (receive.mode != "merge" && receive.mode != "keepOriginal") {
        fields.Fail("mode", "must be \"merge\" or \"keepOriginal\"");
    }
    if (const Value* changes = fields.Find("changes")) {
        if (!changes->IsArray()) {
            fields.Fail("changes", "must be a list");
        }
        for (Json::SizeType i = 0; i < changes->Size(); ++i) {
            const JsonFields change = fields.ObjectAt((*changes)[i], fmt::format("changes[{}]", i));
            receive.changes.push_back(ReadOtherUserChange(change, folder));
            change.Done();
        }
    }
    return receive;
}

ShareProject ReadShareProject(const JsonFields& fields) {
    ShareProject share;
    const Value* users = fields.Find("users");
    if (users == nullptr || !users->IsArray() || users->Empty()) {
        fields.Fail("users", "must be a list of {\"id\": number, \"name\": text}");
    }
    for (Json::SizeType i = 0; i < users->Size(); ++i) {
        const JsonFields user = fields.ObjectAt((*users)[i], fmt::format("users[{}]", i));
        const auto id = user.OptInt("id");
        if (!id || *id <= 0) {
            user.Fail("id", "must be a number above 0");
        }
        share.users.push_back({*id, user.StringOr("name", fmt::format("User {}", *id))});
        user.Done();
    }
    share.currentUser = fields.Int("currentUser", share.users.front().id);
    bool known = false;
    for (const ShareUser& user : share.users) {
        known = known || user.id == share.currentUser;
    }
    if (!known) {
        fields.Fail("currentUser", "must be one of the users");
    }
    return share;
}

PageAction ReadPageAction(const JsonFields& fields) {
    static const std::map<std::string, PageActionKind, std::less<>> kinds = {
        {"connect", PageActionKind::Connect},
        {"open", PageActionKind::Open},
        {"associate", PageActionKind::Associate},
        {"removeAssociation", PageActionKind::RemoveAssociation},
        {"updateClause", PageActionKind::UpdateClause},
        {"listTypes", PageActionKind::ListTypes},
        {"selectInstances", PageActionKind::SelectInstances},
        {"disconnect", PageActionKind::Disconnect},
        {"rename", PageActionKind::Rename},
        {"offline", PageActionKind::Offline},
        {"online", PageActionKind::Online},
        {"getAllState", PageActionKind::GetAllState},
        {"call", PageActionKind::Call},
        {"navigate", PageActionKind::Navigate},
        {"script", PageActionKind::Script},
    };
    const std::string name = fields.String("action");
    const auto kind = kinds.find(name);
    if (kind == kinds.end()) {
        std::string known;
        for (const auto& [word, value] : kinds) {
            known += known.empty() ? word : ", " + word;
        }
        fields.Fail("action", fmt::format("\"{}\" is not a page action ({})", name, known));
    }
    PageAction action;
    action.kind = kind->second;
    switch (action.kind) {
    case PageActionKind::Connect:
    case PageActionKind::Disconnect:
        action.specification = NonEmpty(fields, "specification");
        break;
    case PageActionKind::Open:
        action.specification = NonEmpty(fields, "specification");
        break;
    case PageActionKind::Rename:
        action.specification = NonEmpty(fields, "specification");
        action.projectTitle = fields.OptString("projectTitle");
        action.specificationTitle = fields.OptString("specificationTitle");
        if (!action.projectTitle && !action.specificationTitle) {
            fields.Fail("", "a rename needs \"projectTitle\" or \"specificationTitle\"");
        }
        break;
    case PageActionKind::Associate:
    case PageActionKind::RemoveAssociation:
        action.specification = NonEmpty(fields, "specification");
        action.clause = NonEmpty(fields, "clause");
        break;
    case PageActionKind::UpdateClause:
        action.specification = NonEmpty(fields, "specification");
        action.clause = NonEmpty(fields, "clause");
        action.title = fields.OptString("title");
        action.prefix = fields.OptString("prefix");
        action.suffix = fields.OptString("suffix");
        if (!action.title && !action.prefix && !action.suffix) {
            fields.Fail("", "an update needs \"title\", \"prefix\" or \"suffix\"");
        }
        break;
    case PageActionKind::SelectInstances:
        action.type = NonEmpty(fields, "type");
        break;
    case PageActionKind::Call: {
        action.function = NonEmpty(fields, "function");
        const Value* arguments = fields.Find("arguments");
        if (arguments != nullptr && !arguments->IsArray()) {
            fields.Fail("arguments", "must be a list (of the call's arguments)");
        }
        Json::StringBuffer buffer;
        Json::Writer<Json::StringBuffer> writer(buffer);
        if (arguments != nullptr) {
            arguments->Accept(writer);
        } else {
            writer.StartArray();
            writer.EndArray();
        }
        action.arguments = buffer.GetString();
        CheckLiveValues(fields, action.arguments);
        break;
    }
    case PageActionKind::Script:
        action.script = NonEmpty(fields, "script");
        break;
    case PageActionKind::Navigate: {
        action.site = fields.String("site");
        if (action.site == "home") {
            break;
        }
        if (action.site != "other") {
            fields.Fail("site", "must be \"home\" (the web application) or \"other\" (another site)");
        }
        action.page = fields.StringOr("page", OtherSitePages[0]);
        std::string pages;
        for (const char* page : OtherSitePages) {
            if (action.page == page) {
                pages.clear();
                break;
            }
            pages += (pages.empty() ? "" : ", ") + std::string(page);
        }
        if (!pages.empty()) {
            fields.Fail("page",
                        fmt::format("\"{}\" is not a page of the other site ({})", action.page, pages));
        }
        break;
    }
    case PageActionKind::ListTypes:
    case PageActionKind::Offline:
    case PageActionKind::Online:
    case PageActionKind::GetAllState:
        break;
    }
    return action;
}

// A file of the output folder: a name inside it, never a way out of it.
std::string OutputFileName(const JsonFields& fields, const char* key) {
    const std::string file = NonEmpty(fields, key);
    if (file.find("..") != std::string::npos || std::filesystem::path(file).is_absolute()) {
        fields.Fail(key, "must be a file name inside the output folder");
    }
    return file;
}

using ActionReader = std::function<Action(const JsonFields&, const std::filesystem::path&)>;

const std::map<std::string, ActionReader, std::less<>>& ActionReaders() {
    using Path = std::filesystem::path;
    static const std::map<std::string, ActionReader, std::less<>> readers = {
        {"openProject",
         [](const JsonFields& f, const Path& folder) {
             if (f.Has("file") == f.Has("saved")) {
                 f.Fail("", "say which project: a \"file\" beside the scenario, or one an earlier step "
                            "\"saved\" into the output folder");
             }
             if (f.Has("saved")) {
                 return Action(OpenProject{OutputFileName(f, "saved"), true});
             }
             return Action(OpenProject{Resolve(folder, NonEmpty(f, "file"))});
         }},
        {"newProject", [](const JsonFields&, const Path&) { return Action(NewProject{}); }},
        {"saveProject",
         [](const JsonFields& f, const Path&) {
             return Action(SaveProject{f.Has("file") ? OutputFileName(f, "file") : std::string()});
         }},
        {"reopenProject", [](const JsonFields&, const Path&) { return Action(ReopenProject{}); }},
        {"closeProject", [](const JsonFields&, const Path&) { return Action(CloseProject{}); }},
        {"select",
         [](const JsonFields& f, const Path&) { return Action(Select{ElementList(f, "elements", true)}); }},
        {"changeWindow",
         [](const JsonFields& f, const Path&) { return Action(ChangeWindow{NonEmpty(f, "view")}); }},
        {"changeStory",
         [](const JsonFields& f, const Path&) { return Action(ChangeStory{NonEmpty(f, "story")}); }},
        {"createElement",
         [](const JsonFields& f, const Path&) { return Action(CreateElement{ReadNewElement(f)}); }},
        {"deleteElements",
         [](const JsonFields& f, const Path&) {
             return Action(DeleteElements{ElementList(f, "elements", true)});
         }},
        {"setLayer",
         [](const JsonFields& f, const Path&) {
             SetLayer layer{NonEmpty(f, "layer"), f.OptBool("hidden"), f.OptBool("locked")};
             if (!layer.hidden && !layer.locked) {
                 f.Fail("", "say \"hidden\" or \"locked\"");
             }
             return Action(layer);
         }},
        {"lockElements",
         [](const JsonFields& f, const Path&) {
             return Action(LockElements{ElementList(f, "elements", true), f.Bool("locked", true)});
         }},
        {"setProperty", [](const JsonFields& f, const Path&) { return Action(ReadSetProperty(f)); }},
        {"addClassificationItem",
         [](const JsonFields& f, const Path&) {
             return Action(
                 AddClassificationItem{NonEmpty(f, "system"), NonEmpty(f, "id"), f.StringOr("name", "")});
         }},
        {"shareProject", [](const JsonFields& f, const Path&) { return Action(ReadShareProject(f)); }},
        {"reserve", [](const JsonFields& f, const Path&) { return Action(ReadReserve(f, false)); }},
        {"release", [](const JsonFields& f, const Path&) { return Action(ReadReserve(f, true)); }},
        {"receiveChanges",
         [](const JsonFields& f, const Path& folder) { return Action(ReadReceiveChanges(f, folder)); }},
        {"sendChanges", [](const JsonFields&, const Path&) { return Action(SendChanges{}); }},
        {"undo", [](const JsonFields& f, const Path&) { return Action(Undo{ReadTimes(f)}); }},
        {"redo", [](const JsonFields& f, const Path&) { return Action(Redo{ReadTimes(f)}); }},
        {"menu",
         [](const JsonFields& f, const Path&) {
             const QB::Int32 item = f.Int("item", 1);
             if (item < 1) {
                 f.Fail("item", "must be a menu item number from 1");
             }
             return Action(Menu{item});
         }},
        {"hostFault", [](const JsonFields& f, const Path&) { return Action(InjectFault{ReadHostFault(f)}); }},
        {"clearHostFaults",
         [](const JsonFields& f, const Path&) {
             ClearFaults clear;
             if (f.Has("function")) {
                 clear.function = ReadHostFunction(f, "function");
             }
             return Action(clear);
         }},
        {"quitHost",
         [](const JsonFields&, const Path&) {
             return Action(HostLife{true, false});
         }},
        {"startHost",
         [](const JsonFields&, const Path&) {
             return Action(HostLife{false, true});
         }},
        {"restartHost",
         [](const JsonFields&, const Path&) {
             return Action(HostLife{true, true});
         }},
        {"paletteMessage",
         [](const JsonFields& f, const Path&) {
             const std::string message = f.String("message");
             if (message != "close" && message != "hide" && message != "show" && message != "disable" &&
                 message != "enable") {
                 f.Fail("message", "must be close, hide, show, disable or enable");
             }
             return Action(PaletteMessage{message});
         }},
        {"click",
         [](const JsonFields& f, const Path&) {
             return Action(Click{CheckedPanel(f, "panel"), f.ChoiceOf("button")});
         }},
        {"choosePopUp",
         [](const JsonFields& f, const Path&) {
             return Action(ChoosePopUp{CheckedPanel(f, "panel"), f.ChoiceOf("entry")});
         }},
        {"clickRow",
         [](const JsonFields& f, const Path&) {
             return Action(ClickRow{CheckedPanel(f, "panel"), f.ChoiceOf("row"), false});
         }},
        {"doubleClickRow",
         [](const JsonFields& f, const Path&) {
             return Action(ClickRow{CheckedPanel(f, "panel"), f.ChoiceOf("row"), true});
         }},
        {"resize",
         [](const JsonFields& f, const Path&) {
             const Resize resize{f.Int("dw", 0), f.Int("dh", 0)};
             if (resize.dw == 0 && resize.dh == 0) {
                 f.Fail("", "say by how much: \"dw\" and/or \"dh\" in pixels");
             }
             return Action(resize);
         }},
        {"closePalette", [](const JsonFields&, const Path&) { return Action(ClosePalette{}); }},
        {"rollPanel",
         [](const JsonFields& f, const Path&) {
             const auto expanded = f.OptBool("expanded");
             if (!expanded) {
                 f.Fail("", "\"expanded\" is missing");
             }
             return Action(RollPanel{CheckedPanel(f, "panel"), *expanded});
         }},
        {"page", [](const JsonFields& f, const Path&) { return Action(ReadPageAction(f)); }},
        {"check", [](const JsonFields&, const Path&) { return Action(Check{}); }},
    };
    return readers;
}

// A step that opens a saved project needs an earlier step that saves it: the file of an earlier
// run may be there, but it is not what this run means.
void CheckSavedProjects(const Scenario& scenario) {
    std::set<std::string> saved;
    for (const Step& step : scenario.steps) {
        if (const auto* open = std::get_if<OpenProject>(&step.action); open != nullptr && open->saved) {
            if (!saved.contains(open->path.string())) {
                throw ScenarioError(fmt::format(
                    "{}: {}: saved: no earlier step saves \"{}\" into the output folder (saveProject, "
                    "reopenProject, quitHost and restartHost do)",
                    scenario.file.string(), StepLabel(step), open->path.string()));
            }
        } else if (const auto* save = std::get_if<SaveProject>(&step.action)) {
            saved.insert(save->file.empty() ? scenario.Stem() + ".project.json" : save->file);
        } else if (std::holds_alternative<ReopenProject>(step.action)) {
            saved.insert(scenario.Stem() + ".reopened.project.json");
        } else if (const auto* life = std::get_if<HostLife>(&step.action); life != nullptr && life->quit) {
            saved.insert(scenario.Stem() + ".at-quit.project.json");
        }
    }
}

Step ReadStep(const Value& value, std::size_t number, const std::filesystem::path& file) {
    Step step;
    step.number = number;
    const std::string where = fmt::format("{}: step {}", file.string(), number);
    if (!value.IsObject()) {
        throw ScenarioError(where + ": must be an object with \"do\"");
    }
    const JsonFields probe(value, where, "");
    step.kind = probe.String("do");
    const auto reader = ActionReaders().find(step.kind);
    if (reader == ActionReaders().end()) {
        probe.Fail("do", fmt::format("\"{}\" is not a step (see vantrel-sim --help)", step.kind));
    }
    const JsonFields fields(value, fmt::format("{} ({})", where, step.kind), "");
    fields.Find("do");
    step.note = fields.StringOr("note", "");
    step.shot = fields.Bool("shot", false);
    step.action = reader->second(fields, file.parent_path());
    step.answers = ReadAnswers(fields);
    step.expect = ReadExpectations(fields);
    for (const EarlierValueExpectation& earlier : step.expect.earlier) {
        if (earlier.since >= number) {
            fields.Fail(earlier.same ? "expect.unchanged.since" : "expect.changed.since",
                        fmt::format("must be an earlier step (0: the start, up to {})", number - 1));
        }
    }
    step.faults = ReadStepFaults(fields);
    step.meanwhile = ReadMeanwhile(fields, file.parent_path());
    fields.Done();
    return step;
}

} // namespace

Scenario ReadScenarioJson(std::string_view json, const std::filesystem::path& file) {
    Json::Document document;
    // Iterative, so that deep nesting in a hand-made or damaged file is refused, not a stack overflow.
    document.Parse<Json::kParseIterativeFlag>(json.data(), json.size());
    if (document.HasParseError()) {
        const auto [line, column] = PositionOf(json, document.GetErrorOffset());
        throw ScenarioError(fmt::format("{}:{}:{}: {}", file.string(), line, column,
                                        Json::GetParseError_En(document.GetParseError())));
    }
    const JsonFields root(document, file.string(), "");
    Scenario scenario;
    scenario.file = file;
    const std::string format = root.StringOr("format", std::string(ScenarioFormat));
    if (format != ScenarioFormat) {
        root.Fail("format",
                  fmt::format("\"{}\" is not a scenario format (expected \"{}\")", format, ScenarioFormat));
    }
    if (root.Int("version", ScenarioVersion) > ScenarioVersion) {
        root.Fail("version", fmt::format("is newer than this simulator reads ({})", ScenarioVersion));
    }
    scenario.title = root.StringOr("title", "");
    scenario.description = root.StringOr("description", "");
    if (const auto project = root.OptString("project")) {
        scenario.project = Resolve(file.parent_path(), *project);
    }
    if (root.Has("preferences")) {
        const JsonFields preferences = root.Object("preferences");
        const Value& raw = preferences.Raw();
        for (auto it = raw.MemberBegin(); it != raw.MemberEnd(); ++it) {
            const std::string key(it->name.GetString(), it->name.GetStringLength());
            preferences.Find(key.c_str());
            if (key == "tessel.url" || key == "log.path") {
                // The run points them into its own page and output folder.
                preferences.Fail(key, "is set by the simulator");
            }
            scenario.preferences.push_back({key, preferences.StringOf(it->value, key)});
        }
    }
    if (root.Has("startup")) {
        const JsonFields startup = root.Object("startup");
        scenario.startup = ReadExpectations(startup);
        if (!scenario.startup->earlier.empty()) {
            startup.Fail("expect", "\"unchanged\" and \"changed\" compare with an earlier step; nothing is "
                                   "earlier than the start");
        }
        startup.Done();
    }
    const Value* steps = root.Find("steps");
    if (steps == nullptr || !steps->IsArray()) {
        root.Fail("steps", "must be a list of steps");
    }
    for (Json::SizeType i = 0; i < steps->Size(); ++i) {
        scenario.steps.push_back(ReadStep((*steps)[i], i + 1u, file));
    }
    root.Done();
    CheckSavedProjects(scenario);
    return scenario;
}

Step ReadStepJson(std::string_view json, std::size_t number, const std::filesystem::path& file) {
    Json::Document document;
    document.Parse<Json::kParseIterativeFlag>(json.data(), json.size());
    if (document.HasParseError()) {
        const auto [line, column] = PositionOf(json, document.GetErrorOffset());
        throw ScenarioError(fmt::format("{}: step {}:{}:{}: {}", file.string(), number, line, column,
                                        Json::GetParseError_En(document.GetParseError())));
    }
    return ReadStep(document, number, file);
}

Scenario LoadScenarioFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        throw ScenarioError(file.string() + ": cannot be read");
    }
    std::ostringstream text;
    text << stream.rdbuf();
    return ReadScenarioJson(text.str(), file);
}

} // namespace VantrelSim::Tool
