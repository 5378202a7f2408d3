// The connection's operations on elements and issues: associating, disassociating, rewriting clause
// properties, renaming titles, sorting elements by virtual type, and keeping the issues.

#include "Model/ConnectionWithSpecification.hpp"

#include "Model/Error/Errors.hpp"
#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"
#include "Model/TesselPtr.hpp"
#include "Model/VirtualType.hpp"
#include "Tessel/Api/Tessel.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Error/Error.hpp"
#include "Vantrel/Api/ProgressWindow.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <fmt/ranges.h>

#include <utility>

namespace TesselConnect::Model {

namespace {

namespace Text = Util::Resource::Text;

constexpr const char* UpdatingElementPropertiesTitle = "Ardo Tessel: Updating element properties";

std::string IssuesText(const Issue::Issues& issues) {
    std::string text = "[";
    const char* separator = "";
    for (const Issue::IssuePtr& issue : issues) {
        text += separator;
        text += issue != nullptr ? issue->ToString() : std::string("null");
        separator = ", ";
    }
    return text + "]";
}

} // namespace

// ---- Association -------------------------------------------------------------------------------

void ConnectionWithSpecification::Associate(const QB::UniString& tesselClauseId,
                                            const Api::Properties& properties,
                                            const QB::Array<QB::Guid>& elemGuids, bool tellThePage) {
    // Elements changed for a connection that is gone would be left with a clause nobody knows.
    if (IsGoneFromProject()) {
        return;
    }
    HandleExceptions([&] {
        if (_markedAsDisconnected) {
            LOG_INFO("Assocation was skipped because connection is marked as disconnected: {}", *this);
            return;
        }
        _classificationSystem.CheckExists();
        _propertyGroup.CheckExists();

        const QB::UniString virtualTypeId = GetVirtualTypeIdForClauseId(tesselClauseId);
        std::shared_ptr<VirtualType> virtualType;
        if (const std::shared_ptr<VirtualType>* found = _virtualTypes.GetPtr(virtualTypeId);
            found != nullptr) {
            virtualType = *found;
        } else {
            virtualType = std::make_shared<VirtualType>(this, virtualTypeId, properties);
            LOG_DEBUG("Generating virtual type({})", *virtualType);
            _virtualTypes.Put(virtualTypeId, virtualType);
            try {
                Store();
            } catch (...) {
                // Kept, the clause would be listed without elements and reach the project with
                // whichever store came next, or never.
                _virtualTypes.Delete(virtualTypeId);
                throw;
            }
            NotifyVirtualTypesChanged();
        }

        if (const std::shared_ptr<Api::Tessel> tessel = _tesselPtr->Get(); tellThePage && tessel != nullptr) {
            tessel->Associate(virtualType->GetWebDescription(false), tesselClauseId);
        }

        const QB::UniString undoName =
            virtualType->ResolveStringVariables(_vnApi->GetResourceString(Text::UndoAssociate));
        // The page may send a clause's new texts with the association itself.
        const Api::Properties propertiesBefore = virtualType->GetTesselProperties();
        AssociationResult result;
        const bool succeeded = ExecuteUndoable(undoName, [&] {
            result = virtualType->AssociateElements(properties, elemGuids);
            // New values were stored marked dirty before they were rewritten onto the elements.
            if (!virtualType->HasDirtyProperties() &&
                !(virtualType->GetTesselProperties() == propertiesBefore)) {
                Store();
            }
        });
        if (!(virtualType->GetTesselProperties() == propertiesBefore)) {
            NotifyVirtualTypesChanged();
        }
        if (!succeeded) {
            return;
        }
        LOG_DEBUG("Specification({}) - Clause({}): Associate was called: associated elements({}), issues({})",
                  _tesselSpecificationId, virtualTypeId, fmt::join(result.elements, ", "),
                  IssuesText(result.issues));
        UpdateIssues(std::move(result.issues), result.elements);
        ElementsWereAssociated(result.elements);
    });
}

void ConnectionWithSpecification::Disassociate(const QB::UniString& tesselClauseId,
                                               const QB::Array<QB::Guid>& elemGuids) {
    if (IsGoneFromProject()) {
        return;
    }
    if (!ATC_EXPECT_ERROR(_virtualTypes.ContainsKey(tesselClauseId),
                          "this->_virtualTypes.ContainsKey(tesselClauseId)")) {
        return;
    }
    HandleExceptions([&] {
        const std::shared_ptr<VirtualType> virtualType = _virtualTypes.Get(tesselClauseId);
        const QB::UniString undoName =
            virtualType->ResolveStringVariables(_vnApi->GetResourceString(Text::UndoDisassociate));
        ExecuteUndoable(undoName, [&] {
            AssociationResult result = virtualType->DisassociateElements(elemGuids);
            LOG_DEBUG("Specification({}) - Clause({}): Disasociate was called: disassociated elements({}), "
                      "issues({})",
                      _tesselSpecificationId, virtualType->GetVirtualTypeId(),
                      fmt::join(result.elements, ", "), IssuesText(result.issues));
            UpdateIssues(std::move(result.issues), result.elements);
            ElementsWereDisassociated(result.elements);
        });
    });
}

void ConnectionWithSpecification::UpdateProperties(const QB::UniString& virtualTypeId,
                                                   const Api::Properties& properties, bool force) {
    if (IsGoneFromProject()) {
        return;
    }
    if (!ATC_EXPECT_ERROR(_virtualTypes.ContainsKey(virtualTypeId),
                          "this->_virtualTypes.ContainsKey(typeId)")) {
        return;
    }
    HandleExceptions([&] {
        const std::shared_ptr<VirtualType> virtualType = _virtualTypes.Get(virtualTypeId);
        const bool changed = virtualType->SetTesselProperties(properties);
        if (!changed && !force && !virtualType->HasDirtyProperties()) {
            return;
        }
        const QB::UniString undoName =
            virtualType->ResolveStringVariables(_vnApi->GetResourceString(Text::UndoUpdateElementProperties));
        ExecuteUndoable(undoName, [&] {
            const bool wasDirty = virtualType->HasDirtyProperties();
            AssociationResult result = virtualType->UpdateElementProperties();
            UpdateIssuesAndStoreIf(std::move(result.issues), result.elements,
                                   wasDirty && !virtualType->HasDirtyProperties());
        });
        if (changed) {
            // The clause lists show the clause's texts: they follow at once.
            NotifyVirtualTypesChanged();
        }
    });
}

void ConnectionWithSpecification::UpdateAllElementProperties() {
    if (IsGoneFromProject()) {
        return;
    }
    HandleExceptions([this] {
        const QB::UniString undoName =
            ResolveStringVariables(_vnApi->GetResourceString(Text::UndoUpdateElementProperties));
        ExecuteUndoable(undoName, [this] {
            // Virtual types are shared pointers, so a snapshot keeps the walk safe from changes.
            QB::Array<std::shared_ptr<VirtualType>> virtualTypes;
            virtualTypes.Reserve(_virtualTypes.GetSize());
            for (const auto& [id, virtualType] : _virtualTypes) {
                virtualTypes.Push(virtualType);
            }
            // Closed by its destructor, also when an update throws.
            Api::ProgressWindow progress(_vnApi, UpdatingElementPropertiesTitle,
                                         static_cast<QB::Int32>(virtualTypes.GetSize()));
            Issue::Issues issues;
            QB::Array<QB::Guid> elements;
            bool dirtyNamesCleared = false;
            for (const std::shared_ptr<VirtualType>& virtualType : virtualTypes) {
                progress.Advance(virtualType->GetTesselProperties().Title(), 1);
                const bool wasDirty = virtualType->HasDirtyProperties();
                AssociationResult result = virtualType->UpdateElementProperties();
                dirtyNamesCleared = dirtyNamesCleared || (wasDirty && !virtualType->HasDirtyProperties());
                issues.Append(result.issues);
                elements.Append(result.elements);
            }
            UpdateIssuesAndStoreIf(std::move(issues), elements, dirtyNamesCleared);
        });
    });
}

bool ConnectionWithSpecification::UpdateTitles(const QB::UniString& specTitle,
                                               const QB::UniString& projectTitle) {
    if (specTitle == _tesselSpecificationTitle && projectTitle == _tesselProjectTitle) {
        return false;
    }
    if (IsGoneFromProject()) {
        return false;
    }
    const std::shared_ptr<ConnectionWithSpecification> keepAlive = weak_from_this().lock();
    HandleExceptions([&] {
        const QB::UniString undoName =
            ResolveStringVariables(_vnApi->GetResourceString(Text::UndoUpdateTitles));
        ExecuteUndoable(undoName, [&] {
            try {
                _classificationSystem.CheckExists();
                _propertyGroup.UpdateTitle(specTitle, projectTitle);
                _tesselSpecificationTitle = specTitle;
                _tesselProjectTitle = projectTitle;
                const Issue::Issues outdated =
                    _issueCollection.GetIssuesOfType<Issue::CoudntUpdateProjectOrSpecTitle>();
                _issueCollection.Remove(outdated);
                Store();
                if (!outdated.IsEmpty()) {
                    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
                        observer.ConnEvent_IssuesChanged(conn);
                    });
                }
            } catch (const Api::ErrorPropertyManagerNoAccessRight& e) {
                LOG_INFO(
                    "{}: Couldn't apply project({}) or specification({}) name change on property group. No "
                    "worries, we can try it later.",
                    e.what(), projectTitle, specTitle);
                AddIssue(std::make_shared<Issue::CoudntUpdateProjectOrSpecTitle>(specTitle, projectTitle));
            }
        });
    });
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_TitlesChanged(conn);
    });
    return true;
}

// ---- Reading associations ----------------------------------------------------------------------

ConnectionWithSpecification::SortedElements
ConnectionWithSpecification::SortElementsByVirtualType(const QB::Array<QB::Guid>& elemGuids) {
    SortedElements sorted;
    HandleExceptions([&] {
        try {
            static_cast<void>(_propertyGroup.GetDefinitionGuid(Api::Properties::Name::ClauseId));
        } catch (const Error::MissingProperty& e) {
            LOG_DEBUG("{}", e.what());
            LOG_WARN("we has no property so we are pretty sure thereis no associaiton to clause. Still a bit "
                     "unexpected though");
            sorted.unassociatedElements = elemGuids;
            return;
        }
        QB::HashSet<QB::UniString> clauseIds;
        for (const QB::Guid& elemGuid : elemGuids) {
            try {
                const QB::UniString clauseId = _propertyGroup.GetElementClauseId(elemGuid);
                if (clauseId.IsEmpty()) {
                    sorted.unassociatedElements.Push(elemGuid);
                } else {
                    clauseIds.Add(clauseId);
                }
            } catch (const Api::Error<APIERR_BADID>&) {
                LOG_INFO("Element({}) propably deleted meanwhile", elemGuid);
            } catch (const Api::GeneralError& e) {
                LOG_DEBUG("unknown error({}), but we assume that the element({}) is not associated, ({})",
                          e.GetErrorName(), elemGuid, e.what());
                LOG_ERROR("GeneralError: {}", e.what());
                sorted.unassociatedElements.Push(elemGuid);
            }
        }
        for (const QB::UniString& clauseId : clauseIds) {
            const QB::UniString virtualTypeId = GetVirtualTypeIdForClauseId(clauseId);
            if (const std::shared_ptr<VirtualType>* found = _virtualTypes.GetPtr(virtualTypeId);
                found != nullptr) {
                sorted.virtualTypes.Push(*found);
            } else {
                LOG_INFO("not exitsing virtual type for clauseId({}), elements({})", clauseId,
                         fmt::join(elemGuids, ", "));
            }
        }
    });
    return sorted;
}

QB::Array<QB::Guid>
ConnectionWithSpecification::GetElementsOfVirtualType(const QB::UniString& virtualTypeId) {
    QB::Array<QB::Guid> elemGuids;
    if (!ATC_EXPECT_ERROR(_virtualTypes.ContainsKey(virtualTypeId),
                          "this->_virtualTypes.ContainsKey(virtualTypeId), virtualTypeId({})",
                          virtualTypeId)) {
        return elemGuids;
    }
    const std::shared_ptr<VirtualType> virtualType = _virtualTypes.Get(virtualTypeId);
    HandleExceptions([&] { virtualType->GetAssociatedElements(elemGuids); });
    return elemGuids;
}

void ConnectionWithSpecification::ForEachVirtualType(
    const std::function<void(VirtualType&)>& function) const {
    for (const auto& [id, virtualType] : _virtualTypes) {
        function(*virtualType);
    }
}

// ---- Issues ------------------------------------------------------------------------------------

void ConnectionWithSpecification::AddIssue(const std::shared_ptr<Issue::Base>& issue) {
    if (!ATC_EXPECT_ERROR(issue != nullptr, "issue != nullptr")) {
        return;
    }
    UpdateIssues({issue}, {});
}

void ConnectionWithSpecification::UpdateIssues(Issue::Issues newIssues,
                                               const QB::Array<QB::Guid>& elemGuids) {
    UpdateIssuesAndStoreIf(std::move(newIssues), elemGuids, false);
}

void ConnectionWithSpecification::UpdateIssuesAndStoreIf(Issue::Issues newIssues,
                                                         const QB::Array<QB::Guid>& elemGuids,
                                                         bool storeAnyway) {
    const bool added = _issueCollection.AddAll(newIssues);
    const bool refreshed = (added || !elemGuids.IsEmpty()) && _issueCollection.Refresh(elemGuids);
    if (!added && !refreshed) {
        if (storeAnyway) {
            Store();
        }
        return;
    }
    Store();
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_IssuesChanged(conn);
    });
}

void ConnectionWithSpecification::RemoveIssue(const std::shared_ptr<Issue::Base>& issue) {
    _issueCollection.Remove(issue);
    Store();
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_IssuesChanged(conn);
    });
}

void ConnectionWithSpecification::RefreshIssues() {
    if (!_issueCollection.Refresh({})) {
        return;
    }
    Store();
    Notify([](ConnectionWithSpecificationObserver& observer, const auto& conn) {
        observer.ConnEvent_IssuesChanged(conn);
    });
}

QB::Array<ConnectionWithSpecification::IssueWithText> ConnectionWithSpecification::GetIssuesWithText() {
    const std::shared_ptr<ConnectionWithSpecification> self = shared_from_this();
    QB::Array<IssueWithText> rows;
    rows.Reserve(_issueCollection.GetIssues().GetSize());
    for (const Issue::IssuePtr& issue : _issueCollection.GetIssues()) {
        if (issue != nullptr) {
            rows.Push({self, issue, issue->GetString(*this)});
        }
    }
    return rows;
}

// ---- Seams of the unassociated-elements cache --------------------------------------------------

// The unassociated-elements cache follows the elements that left or joined the unassociated ones,
// and rebuilds after a reload, whose virtual types may differ from what it was built with.
void ConnectionWithSpecification::ElementsWereAssociated(const QB::Array<QB::Guid>& elemGuids) {
    _unassociatedElementsCache.RemoveElements(elemGuids);
}

void ConnectionWithSpecification::ElementsWereDisassociated(const QB::Array<QB::Guid>& elemGuids) {
    _unassociatedElementsCache.AddElements(elemGuids);
}

void ConnectionWithSpecification::ReloadedFromStored() {
    _unassociatedElementsCache.Reset(true);
}

} // namespace TesselConnect::Model
