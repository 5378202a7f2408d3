#include "Run/RunSession.hpp"

#include "Run/ChoiceText.hpp"
#include "Run/Overloaded.hpp"
#include "Run/ProjectRefs.hpp"
#include "Run/StepFailure.hpp"

#include "Json.hpp"
#include "ProjectFileNames.hpp"

#include <VantrelSim/HostErrorName.hpp>
#include <VantrelSim/ProjectBuilder.hpp>
#include <VantrelSim/ProjectFile.hpp>

#include <PK/UserActions.hpp>

#include <fmt/format.h>

namespace VantrelSim::Tool {

namespace {

void Deliver(PK::User::ActionResult result, const std::string& what) {
    if (result != PK::User::ActionResult::Delivered) {
        throw StepFailure(fmt::format("{}: {}", what, PK::User::ToString(result)));
    }
}

// The element the user draws, from its description in the step.
Element MakeElement(const Project& project, const NewElement& spec) {
    const ProjectRefs refs(project);
    if (refs.FindElement(spec.name)) {
        throw StepFailure(fmt::format("the project has an element \"{}\" already", spec.name));
    }
    Element element;
    element.name = QB::UniString(spec.name);
    const auto type = FileNames::ParseElemType(spec.type);
    if (!type || *type == API_NoElemTypeID) {
        throw StepFailure(fmt::format("\"{}\" is not an element type", spec.type));
    }
    element.type = *type;
    if (!spec.variation.empty()) {
        const auto variation = FileNames::ParseVariation(spec.variation);
        if (!variation) {
            throw StepFailure(fmt::format("\"{}\" is not a variation (four characters)", spec.variation));
        }
        element.variation = *variation;
    }
    if (project.StoryCount() == 0 || project.Layers().empty()) {
        throw StepFailure("the project has no story or no layer to draw on");
    }
    element.story = spec.story.empty() ? project.currentStory : refs.Story(spec.story);
    element.layer = spec.layer.empty() ? 1 : refs.Layer(spec.layer);
    element.locked = spec.locked;
    if (!spec.owner.empty()) {
        element.owner = refs.Element(spec.owner);
    }
    if (!spec.hotlink.empty()) {
        element.hotlink = refs.Hotlink(spec.hotlink);
    }
    for (const std::string& item : spec.classification) {
        const QB::Guid guid = refs.Item(item);
        element.classification[project.FindItem(guid)->system] = guid;
    }
    return element;
}

// What a user types into a text property.
void TypeProperty(Project& project, const SetProperty& change) {
    const ProjectRefs refs(project);
    Element* element = project.FindElement(refs.Element(change.element));
    const auto definition = refs.Definition(*element, change.property);
    if (!definition) {
        throw StepFailure(
            fmt::format("the element \"{}\" has no property \"{}\"", change.element, change.property));
    }
    const PropertyDefinition* record = project.FindDefinition(*definition);
    if (record->record.valueType != API_PropertyStringValueType ||
        record->record.collectionType != API_PropertySingleCollectionType) {
        throw StepFailure(fmt::format("\"{}\" is not a text property", change.property));
    }
    element->values[*definition] = StringValue(QB::UniString(change.value));
    project.Touch(*element);
}

} // namespace

const Project& RunSession::RequireProject(const char* why) const {
    if (!_host.HasProject()) {
        throw StepFailure(fmt::format("no project is open to {}", why));
    }
    return _host.GetProject();
}

const Project& RunSession::ProjectFile(const std::filesystem::path& path) {
    if (const auto known = _projects.find(path); known != _projects.end()) {
        return known->second;
    }
    try {
        return _projects.emplace(path, LoadProjectFile(path)).first->second;
    } catch (const ProjectFileError& error) {
        throw StepFailure(std::string("the project file is refused: ") + error.what());
    }
}

Fault RunSession::MakeFault(const HostFaultSpec& spec, std::size_t tag) {
    Fault fault;
    fault.function = spec.function;
    fault.code = spec.code;
    fault.tag = tag;
    if (!spec.element.empty()) {
        fault.concerning = ProjectRefs(RequireProject("find the element of a fault")).Element(spec.element);
    }
    if (spec.call) {
        fault.remaining = 1;
        fault.skip = *spec.call - 1;
    } else {
        fault.remaining = spec.calls;
    }
    return fault;
}

void RunSession::ApplyOtherUserChange(Project& project, const OtherUserChange& change, QB::Int32 user) {
    const auto findObject = [&](const std::string& name) -> AddonObject* {
        for (auto& [guid, object] : project.addonObjects) {
            if (object.name.ToUtf8() == name) {
                return &object;
            }
        }
        return nullptr;
    };
    const auto contentOf = [&](const AddonObjectChange& object) {
        if (!object.from) {
            return object.data;
        }
        for (const auto& [guid, candidate] : ProjectFile(*object.from).addonObjects) {
            if (candidate.name.ToUtf8() == object.name) {
                return candidate.data;
            }
        }
        throw StepFailure(fmt::format("{} has no add-on object \"{}\"", object.from->string(), object.name));
    };
    const auto findGroup = [&](const std::string& name) -> const PropertyGroup* {
        for (const auto& [guid, group] : project.Groups()) {
            if (group.name.ToUtf8() == name) {
                return &group;
            }
        }
        return nullptr;
    };
    const auto groupNamed = [&](const std::string& name) -> const PropertyGroup& {
        const PropertyGroup* group = findGroup(name);
        if (group == nullptr) {
            throw StepFailure(fmt::format("the project has no property group \"{}\"", name));
        }
        return *group;
    };
    const auto definitionIn = [&](const PropertyGroup& group, const std::string& name) -> const QB::Guid* {
        for (const QB::Guid& guid : group.definitions) {
            if (const PropertyDefinition* definition = project.FindDefinition(guid);
                definition != nullptr && definition->record.name.ToUtf8() == name) {
                return &guid;
            }
        }
        return nullptr;
    };
    std::visit(
        Overloaded{
            [&](const PropertyGroupChange& groupChange) {
                const PropertyGroup* existing = findGroup(groupChange.name);
                if (groupChange.create) {
                    if (existing != nullptr) {
                        throw StepFailure(
                            fmt::format("the project has a property group \"{}\" already", groupChange.name));
                    }
                    ProjectBuilder(project).AddPropertyGroup(QB::UniString(groupChange.name));
                } else {
                    project.DeleteGroup(QB::Guid(groupNamed(groupChange.name).guid));
                }
            },
            [&](const PropertyDefinitionChange& definitionChange) {
                const PropertyGroup& group = groupNamed(definitionChange.group);
                const QB::Guid* existing = definitionIn(group, definitionChange.name);
                if (!definitionChange.create) {
                    if (existing == nullptr) {
                        throw StepFailure(fmt::format("the property group \"{}\" has no definition \"{}\"",
                                                      definitionChange.group, definitionChange.name));
                    }
                    project.DeleteDefinition(QB::Guid(*existing));
                    return;
                }
                if (existing != nullptr) {
                    throw StepFailure(fmt::format("the property group \"{}\" has a definition \"{}\" already",
                                                  definitionChange.group, definitionChange.name));
                }
                std::vector<QB::Guid> items;
                for (const std::string& item : definitionChange.availableFor) {
                    items.push_back(ProjectRefs(project).Item(item));
                }
                ProjectBuilder(project).AddStringProperty(
                    QB::Guid(group.guid), QB::UniString(definitionChange.name),
                    QB::UniString(definitionChange.defaultValue), items);
            },
            [&](const ClassificationItemChange& itemChange) {
                const ClassificationSystem& system = ProjectRefs(project).System(itemChange.system);
                const auto item = system.itemsById.find(QB::UniString(itemChange.id));
                if (!itemChange.create) {
                    if (item == system.itemsById.end()) {
                        throw StepFailure(
                            fmt::format("\"{}\" has no item \"{}\"", itemChange.system, itemChange.id));
                    }
                    project.DeleteItem(QB::Guid(item->second));
                    return;
                }
                if (item != system.itemsById.end()) {
                    throw StepFailure(
                        fmt::format("\"{}\" has an item \"{}\" already", itemChange.system, itemChange.id));
                }
                const QB::Guid parent =
                    itemChange.parent.empty()
                        ? QB::Guid()
                        : ProjectRefs(project).Item(itemChange.system + "/" + itemChange.parent);
                ProjectBuilder(project).AddItem(system.guid, QB::UniString(itemChange.id),
                                                QB::UniString(itemChange.name), parent);
            },
            [&](const CreateElement& create) {
                Element element = MakeElement(project, create.element);
                element.guid = project.NextGuid("element");
                project.AddElement(std::move(element));
            },
            [&](const DeleteElements& remove) {
                for (const QB::Guid& guid : ProjectRefs(project).Elements(remove.elements)) {
                    project.DeleteElement(guid);
                }
            },
            [&](const LockElements& lock) {
                for (const QB::Guid& guid : ProjectRefs(project).Elements(lock.elements)) {
                    project.FindElement(guid)->locked = lock.locked;
                }
            },
            [&](const SetProperty& typed) { TypeProperty(project, typed); },
            [&](const CopyModulData& copy) {
                const API_ModulData* record =
                    ProjectFile(copy.from).modulData.GetPtr(QB::UniString(copy.name));
                if (record == nullptr) {
                    throw StepFailure(
                        fmt::format("{} has no module data \"{}\"", copy.from.string(), copy.name));
                }
                project.modulData.Put(QB::UniString(copy.name), *record);
            },
            [&](const EraseModulData& erase) { project.modulData.Delete(QB::UniString(erase.name)); },
            [&](const StoreModulData& store) {
                API_ModulData record;
                record.dataVersion = store.dataVersion;
                record.platformSign = store.platformSign;
                record.dataHdl = store.data;
                project.modulData.Put(QB::UniString(store.name), std::move(record));
            },
            [&](const AddonObjectChange& object) {
                AddonObject* existing = findObject(object.name);
                switch (object.kind) {
                case AddonObjectChange::Kind::Create: {
                    if (existing != nullptr) {
                        throw StepFailure(
                            fmt::format("the project has an add-on object \"{}\" already", object.name));
                    }
                    const QB::Guid guid = project.NextGuid("addon-object");
                    project.addonObjects.Put(guid, {guid, QB::UniString(object.name), contentOf(object)});
                    if (project.shared) {
                        // As the host does: a new object stays with its creator until released.
                        project.teamwork.objectHolders[guid] = user;
                    }
                    return;
                }
                case AddonObjectChange::Kind::Change:
                    if (existing == nullptr) {
                        throw StepFailure(
                            fmt::format("the project has no add-on object \"{}\"", object.name));
                    }
                    existing->data = contentOf(object);
                    return;
                case AddonObjectChange::Kind::Delete:
                    if (existing == nullptr) {
                        throw StepFailure(
                            fmt::format("the project has no add-on object \"{}\"", object.name));
                    }
                    project.teamwork.objectHolders.erase(existing->guid);
                    project.addonObjects.Delete(QB::Guid(existing->guid));
                    return;
                }
            },
            [&](const Reserve& reserve) {
                const std::vector<QB::Guid> guids = ProjectRefs(project).Elements(reserve.elements);
                if (!guids.empty()) {
                    reserve.release ? _host.ReleaseElements(guids) : _host.ReserveElements(guids, user);
                }
                if (!reserve.set.empty()) {
                    _host.ReserveSet(QB::UniString(reserve.set), reserve.release ? 0 : user);
                }
                if (!reserve.addonObject.empty()) {
                    const AddonObject* object = findObject(reserve.addonObject);
                    if (object == nullptr) {
                        throw StepFailure(
                            fmt::format("the project has no add-on object \"{}\"", reserve.addonObject));
                    }
                    _host.ReserveObject(object->guid, reserve.release ? 0 : user);
                }
            },
        },
        change);
}

std::string RunSession::WithLiveValues(const std::string& arguments) {
    if (arguments.find("${") == std::string::npos) {
        return arguments;
    }
    const std::pair<const char*, std::vector<std::string>> live[] = {
        {"documentRef", {"document", "documentRef"}}, {"selectionTypeId", {"selection", "type", "id"}}};
    std::string result = arguments;
    for (const auto& [name, path] : live) {
        const std::string placeholder = fmt::format("${{{}}}", name);
        if (result.find(placeholder) == std::string::npos) {
            continue;
        }
        const std::optional<std::string> value = _page->PageState(path);
        if (!value) {
            throw StepFailure(
                fmt::format("the page knows no {} yet, so \"{}\" has no value", name, placeholder));
        }
        // The value goes inside a JSON string of the arguments: escaped as one.
        Json::StringBuffer buffer;
        Json::Writer<Json::StringBuffer> writer(buffer);
        writer.String(value->c_str(), static_cast<Json::SizeType>(value->size()));
        const std::string quoted = buffer.GetString();
        const std::string escaped = quoted.substr(1, quoted.size() - 2);
        for (std::size_t at = result.find(placeholder); at != std::string::npos;
             at = result.find(placeholder, at + escaped.size())) {
            result.replace(at, placeholder.size(), escaped);
        }
    }
    return result;
}

void RunSession::WalkHistory(QB::Int32 times, const std::function<std::vector<QB::UniString>()>& stepNames,
                             const std::function<bool()>& step, std::string_view verb,
                             std::string_view done) {
    for (QB::Int32 i = 0; i < times; ++i) {
        const std::vector<QB::UniString> names = stepNames();
        bool stepped = false;
        Act([&] { stepped = step(); });
        if (!stepped) {
            throw StepFailure(fmt::format("there is nothing the host can {}", verb));
        }
        _transcript->Line(fmt::format("{}: \"{}\"", done, names.back().ToUtf8()), 2);
    }
}

void RunSession::Perform(const Step& step) {
    std::visit(
        Overloaded{
            // ---- Project and host ----------------------------------------------------------
            [&](const OpenProject& open) {
                const std::filesystem::path path = open.saved ? ProjectOutput(open.path.string()) : open.path;
                Project project = ProjectFile(path);
                if (project.name.IsEmpty()) {
                    project.name = QB::UniString(path.filename().string());
                }
                project.path = QB::UniString(path.string());
                Act([&] { _host.OpenProject(std::move(project)); });
            },
            [&](const NewProject&) { Act([&] { _host.NewProject(); }); },
            [&](const SaveProject& save) {
                RequireProject("save");
                const std::filesystem::path file = ProjectOutput(save.file);
                Act([&] { _host.SaveProject(QB::UniString(file.filename().string())); });
                SaveProjectFile(_host.GetProject(), file);
                // A later step that reads this file reads what was saved now.
                _projects.erase(file);
                _transcript->Line("saved to " + file.string(), 2);
            },
            [&](const ReopenProject&) {
                RequireProject("reopen");
                const std::filesystem::path file = ProjectOutput(_scenario.Stem() + ".reopened.project.json");
                Act([&] { _host.SaveProject(); });
                SaveProjectFile(_host.GetProject(), file);
                _projects.erase(file);
                Act([&] { _host.CloseProject(); });
                Project project = LoadProjectFile(file);
                _transcript->Line(fmt::format("saved to {}, closed, and read back ({} module-data records)",
                                              file.string(), project.modulData.GetSize()),
                                  2);
                Act([&] { _host.OpenProject(std::move(project)); });
            },
            [&](const CloseProject&) { Act([&] { _host.CloseProject(); }); },
            [&](const Select& select) {
                const std::vector<QB::Guid> guids =
                    ProjectRefs(RequireProject("select in")).Elements(select.elements);
                Act([&] { _host.SetSelection(guids); });
            },
            [&](const ChangeWindow& change) {
                const View& view = ProjectRefs(RequireProject("change its window")).ViewNamed(change.view);
                const API_WindowInfo window{view.type, view.index, QBGuid2APIGuid(view.databaseGuid)};
                Act([&] { _host.ChangeWindow(window); });
            },
            [&](const ChangeStory& change) {
                const QB::Int16 story = ProjectRefs(RequireProject("change its story")).Story(change.story);
                Act([&] { _host.ChangeStory(story); });
            },
            [&](const CreateElement& create) {
                Element element = MakeElement(RequireProject("draw in"), create.element);
                Act([&] { _host.DrawElement(std::move(element)); });
            },
            [&](const DeleteElements& remove) {
                const std::vector<QB::Guid> guids =
                    ProjectRefs(RequireProject("delete from")).Elements(remove.elements);
                Act([&] {
                    for (const QB::Guid& guid : guids) {
                        _host.DeleteElement(guid);
                    }
                });
            },
            [&](const SetLayer& change) {
                const QB::Int32 index = ProjectRefs(RequireProject("change a layer of")).Layer(change.layer);
                Layer* layer = _host.GetProject().FindLayer(index);
                layer->hidden = change.hidden.value_or(layer->hidden);
                layer->locked = change.locked.value_or(layer->locked);
            },
            [&](const LockElements& lock) {
                const std::vector<QB::Guid> guids =
                    ProjectRefs(RequireProject("lock in")).Elements(lock.elements);
                for (const QB::Guid& guid : guids) {
                    Element* element = _host.GetProject().FindElement(guid);
                    element->locked = lock.locked;
                    _host.GetProject().Touch(*element);
                }
            },
            [&](const SetProperty& change) {
                RequireProject("edit");
                TypeProperty(_host.GetProject(), change);
            },
            [&](const AddClassificationItem& add) {
                const ClassificationSystem& system =
                    ProjectRefs(RequireProject("classify in")).System(add.system);
                if (system.itemsById.contains(QB::UniString(add.id))) {
                    throw StepFailure(fmt::format("\"{}\" has an item \"{}\" already", add.system, add.id));
                }
                ProjectBuilder(_host.GetProject())
                    .AddItem(system.guid, QB::UniString(add.id), QB::UniString(add.name));
            },
            [&](const ShareProject& share) {
                RequireProject("share");
                std::vector<User> users;
                for (const ShareUser& user : share.users) {
                    users.push_back({user.id, QB::UniString(user.name)});
                }
                ProjectBuilder(_host.GetProject()).Share(users, share.currentUser);
                Act([&] { _host.SetCurrentUser(share.currentUser); });
            },
            [&](const Reserve& reserve) {
                const Project& project = RequireProject(reserve.release ? "release in" : "reserve in");
                const QB::Int32 user = reserve.user != 0 ? reserve.user : _host.CurrentUser();
                const std::vector<QB::Guid> guids = ProjectRefs(project).Elements(reserve.elements);
                std::optional<QB::Guid> object;
                if (!reserve.addonObject.empty()) {
                    for (const auto& [guid, candidate] : project.addonObjects) {
                        if (candidate.name.ToUtf8() == reserve.addonObject) {
                            object = guid;
                        }
                    }
                    if (!object) {
                        throw StepFailure(
                            fmt::format("the project has no add-on object \"{}\"", reserve.addonObject));
                    }
                }
                Act([&] {
                    if (!guids.empty()) {
                        reserve.release ? _host.ReleaseElements(guids) : _host.ReserveElements(guids, user);
                    }
                    if (!reserve.set.empty()) {
                        _host.ReserveSet(QB::UniString(reserve.set), reserve.release ? 0 : user);
                    }
                    if (object) {
                        _host.ReserveObject(*object, reserve.release ? 0 : user);
                    }
                });
            },
            [&](const ReceiveChanges& receive) {
                RequireProject("receive changes into");
                IncomingChanges incoming = _host.AsOtherUser(receive.user, [&] {
                    for (const OtherUserChange& change : receive.changes) {
                        ApplyOtherUserChange(_host.GetProject(), change, receive.user);
                    }
                });
                incoming.mode = receive.mode == "keepOriginal" ? APIMDMerge_KeepOriginal : APIMDMerge_Merge;
                _received = incoming;
                std::vector<MergeOutcome> outcomes;
                Act([&] { outcomes = _host.ReceiveChanges(incoming); });
                for (const MergeOutcome& outcome : outcomes) {
                    _transcript->Line(
                        fmt::format("received module data \"{}\"{}", outcome.name.ToUtf8(),
                                    outcome.handlerCalled
                                        ? fmt::format(": merged by the add-on ({})",
                                                      outcome.handlerResult == NoError ? "kept its result"
                                                                                       : "refused")
                                        : ""),
                        2);
                }
            },
            [&](const SendChanges&) {
                RequireProject("send changes of");
                Act([&] { _host.SendChanges(); });
            },
            [&](const Undo& undo) {
                WalkHistory(
                    undo.times, [&] { return _host.UndoStepNames(); }, [&] { return _host.Undo(); }, "undo",
                    "undone");
            },
            [&](const Redo& redo) {
                WalkHistory(
                    redo.times, [&] { return _host.RedoStepNames(); }, [&] { return _host.Redo(); }, "redo",
                    "redone");
            },

            // ---- Palette ---------------------------------------------------------------------
            [&](const Menu& menu) {
                if (!_addonRunning) {
                    throw StepFailure("the host is not running: " + _notRunningWhy);
                }
                if (_host.Menus().empty()) {
                    throw StepFailure("the add-on registered no menu");
                }
                const QB::Int32 list = _host.Menus().front().menuStrResID;
                if (const VNAPI_ErrCode result = _loader->ChooseMenuItem(list, menu.item);
                    result != NoError) {
                    throw StepFailure(
                        fmt::format("the host could not choose item {} of the add-on's menu: {}", menu.item,
                                    DescribeHostError(result)));
                }
            },
            [&](const PaletteMessage& message) {
                if (_host.Palettes().empty()) {
                    throw StepFailure("the add-on registered no palette");
                }
                static const std::map<std::string, API_PaletteMessageID> ids = {
                    {"close", APIPalMsg_CloseRequest},
                    {"hide", APIPalMsg_Hide},
                    {"show", APIPalMsg_Show},
                    {"disable", APIPalMsg_DisableItems},
                    {"enable", APIPalMsg_EnableItems}};
                _loader->SendPaletteMessage(_host.Palettes().front().referenceID, ids.at(message.message));
            },
            [&](const Click& click) {
                PK::TabPage& page = _palette.RequirePage(click.panel);
                const QB::Int32 item = _palette.RequireButton(page, click.panel, click.button);
                const std::string name = PaletteView::ItemName(*page.GetItemControl(item));
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] { result = PK::User::ClickButton(page, item); });
                Deliver(result, fmt::format("the button {} of the {} panel", name, click.panel));
            },
            [&](const ChoosePopUp& choose) {
                PK::TabPage& page = _palette.RequirePage(choose.panel);
                const QB::Int32 item = PaletteView::FindItemOfKind(page, PK::ItemKind::PopUp);
                if (item == 0) {
                    throw StepFailure(fmt::format("the {} panel has no pop-up", choose.panel));
                }
                const auto& entries = page.GetItemControl(item)->popUp.entries;
                const auto entry = MatchChoice(choose.entry, entries);
                if (!entry) {
                    throw StepFailure(fmt::format("the pop-up of the {} panel has no entry {} (it has {})",
                                                  choose.panel, ChoiceText(choose.entry),
                                                  ListOfTexts(entries)));
                }
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] { result = PK::User::ChoosePopUpEntry(page, item, *entry); });
                Deliver(result, fmt::format("the pop-up of the {} panel", choose.panel));
            },
            [&](const ClickRow& click) {
                PK::TabPage& page = _palette.RequirePage(click.panel);
                const QB::Int32 list = PaletteView::FindItemOfKind(page, PK::ItemKind::ListBox);
                const QB::Int32 row = _palette.RequireRow(page, click.panel, click.row);
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] {
                    result = click.doubleClick ? PK::User::DoubleClickListRow(page, list, row)
                                               : PK::User::ClickListRow(page, list, row);
                });
                Deliver(result, fmt::format("row {} of the {} panel", row, click.panel));
            },
            [&](const Resize& resize) {
                PX::RollDownPalette& palette = _palette.RequirePalette();
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] { result = PK::User::ResizePanel(palette, resize.dw, resize.dh); });
                if (result != PK::User::ActionResult::NoChange) {
                    Deliver(result, "resizing the palette");
                }
            },
            [&](const ClosePalette&) {
                PX::RollDownPalette& palette = _palette.RequirePalette();
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] { result = PK::User::RequestClose(palette); });
                Deliver(result, "the palette's close box");
            },
            [&](const RollPanel& roll) {
                PX::RollPanel& panel = _palette.RequireRollPanel(roll.panel);
                if (panel.IsExpanded() == roll.expand) {
                    return;
                }
                PK::User::ActionResult result = PK::User::ActionResult::NoChange;
                Act([&] {
                    result =
                        roll.expand ? PK::User::ExpandRollPanel(panel) : PK::User::CollapseRollPanel(panel);
                });
                Deliver(result, fmt::format("rolling the {} panel", roll.panel));
            },

            // ---- Page and checks ---------------------------------------------------------------
            [&](const PageAction& action) {
                if (action.kind != PageActionKind::Call) {
                    _page->Perform(action);
                    return;
                }
                PageAction live = action;
                live.arguments = WithLiveValues(action.arguments);
                if (live.arguments != action.arguments) {
                    _transcript->Line("arguments: " + live.arguments, 2);
                }
                _page->Perform(live);
            },
            [&](const Check&) {},
            [&](const InjectFault& inject) {
                _host.Faults().Add(MakeFault(inject.fault, 0));
                const HostFaultSpec& fault = inject.fault;
                _transcript->Line(fmt::format("{} answers {} {}{}", HostFunctionName(fault.function),
                                              DescribeHostError(fault.code),
                                              fault.call ? fmt::format("at its call {} from now", *fault.call)
                                              : fault.calls
                                                  ? fmt::format("for its next {} call(s)", *fault.calls)
                                                  : std::string("from now on"),
                                              fault.element.empty() ? "" : " about " + fault.element),
                                  2);
            },
            [&](const ClearFaults& clear) {
                if (clear.function) {
                    _host.Faults().Clear(*clear.function);
                } else {
                    _host.Faults().Clear();
                }
            },
            [&](const HostLife& life) {
                if (life.quit) {
                    QuitHost();
                }
                if (life.start) {
                    StartHostAgain(step);
                }
            },
        },
        step.action);
}

} // namespace VantrelSim::Tool
