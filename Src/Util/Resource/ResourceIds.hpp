#pragma once

// Ids of the add-on's resources and named references to the texts the code uses. The texts
// themselves live in Src/Resources.

#include "Util/Resource/String.hpp"

#include <QB/Types.hpp>

namespace TesselConnect::Util::Resource {

namespace ListId {
inline constexpr QB::UInt32 AddonIdentity = 32000;
inline constexpr QB::UInt32 Palette = 32510;
inline constexpr QB::UInt32 MenuText = 32520;
inline constexpr QB::UInt32 MenuPrompt = 32521;
inline constexpr QB::UInt32 GeneratedTexts = 32522;
inline constexpr QB::UInt32 UndoStepNames = 32523;
inline constexpr QB::UInt32 IssueTexts = 32524;
inline constexpr QB::UInt32 ElementTypeNames = 32525;
} // namespace ListId

inline constexpr QB::UInt32 ModuleIdentifierId = 32500;

namespace AlertId {
inline constexpr QB::UInt32 PropertyManagerNotReserved = 32550;
inline constexpr QB::UInt32 ClassificationManagerNotReserved = 32551;
inline constexpr QB::UInt32 CorruptedData = 32554;
inline constexpr QB::UInt32 ConnectionError = 32555;
inline constexpr QB::UInt32 OperationFailed = 32556;
inline constexpr QB::UInt32 ConnectionAlreadyExists = 32558;
inline constexpr QB::UInt32 ClassificationSystemAlreadyUsed = 32559;
inline constexpr QB::UInt32 OfflineSyncworkProject = 32560;
inline constexpr QB::UInt32 SyncworkPermissionsViolation = 32561;
inline constexpr QB::UInt32 ConnectionDoesNotExist = 32562;
inline constexpr QB::UInt32 ConnectionWasLost = 32563;
inline constexpr QB::UInt32 ConsolidationNotUndoable = 32564;
} // namespace AlertId

namespace DialogId {
inline constexpr QB::UInt32 BrowserTabPage = 32600;
inline constexpr QB::UInt32 IssuesTabPage = 32601;
inline constexpr QB::UInt32 VirtualTypeTabPage = 32602;
inline constexpr QB::UInt32 UnassociatedElementsTabPage = 32603;
inline constexpr QB::UInt32 ClassificationSystemSelector = 32610;
} // namespace DialogId

namespace IconId {
inline constexpr QB::UInt32 Home = 20001;
inline constexpr QB::UInt32 Guides = 20002;
inline constexpr QB::UInt32 Reload = 20003;
inline constexpr QB::UInt32 Specification = 20004;
inline constexpr QB::UInt32 SelectElements = 20005;
inline constexpr QB::UInt32 Error = 20006;
inline constexpr QB::UInt32 Warning = 20007;
inline constexpr QB::UInt32 ZoomToSelection = 20008;
inline constexpr QB::UInt32 RemoveIssue = 20009;
inline constexpr QB::UInt32 AddonMenu = 20010;
inline constexpr QB::UInt32 FixIssue = 20011;
} // namespace IconId

namespace Text {
// Add-on manager
inline constexpr String AddonName{ListId::AddonIdentity, 1};
inline constexpr String AddonDescription{ListId::AddonIdentity, 2};

// Palette
inline constexpr String PaletteTitle{ListId::Palette, 1};
inline constexpr String BrowserTabTitle{ListId::Palette, 2};
inline constexpr String IssuesTabTitle{ListId::Palette, 3};
inline constexpr String VirtualTypesTabTitle{ListId::Palette, 4};
inline constexpr String ClauseLine{ListId::Palette, 5};
inline constexpr String UnassociatedElementsTabTitle{ListId::Palette, 6};
inline constexpr String ElementTypeCountLine{ListId::Palette, 7};
inline constexpr String ConnectionLine{ListId::Palette, 8};
inline constexpr String NoSpecificationSelected{ListId::Palette, 9};

// Menu
inline constexpr String MenuText{ListId::MenuText, 1};
inline constexpr String MenuPrompt{ListId::MenuPrompt, 1};

// Generated host data and virtual type descriptions
inline constexpr String PropertyGroupName{ListId::GeneratedTexts, 1};
inline constexpr String PropertyDefinitionName{ListId::GeneratedTexts, 2};
inline constexpr String PropertyDefinitionDescription{ListId::GeneratedTexts, 3};
inline constexpr String UnassociatedTypeName{ListId::GeneratedTexts, 4};
inline constexpr String MixedSelectionTypeName{ListId::GeneratedTexts, 5};
inline constexpr String MixedSelectionDescription{ListId::GeneratedTexts, 6};
inline constexpr String SameVirtualTypeDescription{ListId::GeneratedTexts, 7};
inline constexpr String SameVirtualTypeSubtitle{ListId::GeneratedTexts, 8};
inline constexpr String MultipleVirtualTypesSelected{ListId::GeneratedTexts, 9};
inline constexpr String MultipleVirtualTypesSubtitle{ListId::GeneratedTexts, 10};
inline constexpr String CollectionOfElements{ListId::GeneratedTexts, 11};
inline constexpr String DisassociationScopeNote{ListId::GeneratedTexts, 12};
inline constexpr String VirtualTypeName{ListId::GeneratedTexts, 13};

// Undo step names
inline constexpr String UndoConnect{ListId::UndoStepNames, 1};
inline constexpr String UndoDisconnect{ListId::UndoStepNames, 2};
inline constexpr String UndoUpdateTitles{ListId::UndoStepNames, 3};
inline constexpr String UndoUpdateElementProperties{ListId::UndoStepNames, 4};
inline constexpr String UndoAssociate{ListId::UndoStepNames, 5};
inline constexpr String UndoDisassociate{ListId::UndoStepNames, 6};

// Issue descriptions
inline constexpr String IssueAssociateInternalError{ListId::IssueTexts, 1};
inline constexpr String IssueDisassociateInternalError{ListId::IssueTexts, 2};
inline constexpr String IssueAssociateNotClassifiable{ListId::IssueTexts, 3};
inline constexpr String IssueAssociateHotlinked{ListId::IssueTexts, 4};
inline constexpr String IssueAssociateNotReserved{ListId::IssueTexts, 5};
inline constexpr String IssueDisassociateNotReserved{ListId::IssueTexts, 6};
inline constexpr String IssueAssociateOnLockedLayer{ListId::IssueTexts, 7};
inline constexpr String IssueDisassociateOnLockedLayer{ListId::IssueTexts, 8};
inline constexpr String IssueAssociateLocked{ListId::IssueTexts, 9};
inline constexpr String IssueDisassociateLocked{ListId::IssueTexts, 10};
inline constexpr String IssueAssociateOnInvisibleLayer{ListId::IssueTexts, 11};
inline constexpr String IssueDisassociateOnInvisibleLayer{ListId::IssueTexts, 12};
inline constexpr String IssueUpdateInternalError{ListId::IssueTexts, 13};
inline constexpr String IssueUpdatePropertyManagerNotReserved{ListId::IssueTexts, 14};
inline constexpr String IssueUpdateOnLockedLayer{ListId::IssueTexts, 15};
inline constexpr String IssueUpdateLocked{ListId::IssueTexts, 16};
inline constexpr String IssueUpdateOnInvisibleLayer{ListId::IssueTexts, 17};
inline constexpr String IssueMissingClassificationItem{ListId::IssueTexts, 18};
inline constexpr String IssueMissingClassificationSystem{ListId::IssueTexts, 19};
inline constexpr String IssueMissingPropertyGroup{ListId::IssueTexts, 20};
inline constexpr String IssueMissingProperty{ListId::IssueTexts, 21};
inline constexpr String IssueTitleUpdatePropertyManagerNotReserved{ListId::IssueTexts, 22};
inline constexpr String IssueInternalError{ListId::IssueTexts, 23};
inline constexpr String IssueOfNewerAddon{ListId::IssueTexts, 24};

// Element type names: item n of ListId::ElementTypeNames, chosen by the element type table.
inline constexpr String ElementTypeName(QB::Int32 index) {
    return {ListId::ElementTypeNames, index};
}
} // namespace Text

} // namespace TesselConnect::Util::Resource
