#include "Model/Issue/CoudntUpdateProjectOrSpecTitle.hpp"

#include "Model/ConnectionWithSpecification.hpp"
#include "Util/Log/CatchAndLog.hpp"
#include "Util/Log/Log.hpp"
#include "Util/Resource/Placeholder.hpp"
#include "Util/Resource/ResourceIds.hpp"
#include "Vantrel/Api/Error/Assert.hpp"
#include "Vantrel/Api/Vantrel.hpp"

#include <ostream>

namespace TesselConnect::Model::Issue {

namespace PlaceholderName = Util::Resource::PlaceholderName;

const QB::ClassInfo
    CoudntUpdateProjectOrSpecTitle::classInfo("Model::Issue::CoudntUpdateProjectOrSpecTitle",
                                              QB::Guid("{47e9e8c1-85dc-4a49-965e-39c920e59ba7}"), 1, 0,
                                              &CoudntUpdateProjectOrSpecTitle::Create);

std::unique_ptr<QB::Object> CoudntUpdateProjectOrSpecTitle::Create() {
    return std::make_unique<CoudntUpdateProjectOrSpecTitle>();
}

CoudntUpdateProjectOrSpecTitle::CoudntUpdateProjectOrSpecTitle(const QB::UniString& newSpecTitle,
                                                               const QB::UniString& newProjectTitle)
    : Base(Severity::Warning), _newSpecTitle(newSpecTitle), _newProjectTitle(newProjectTitle) {}

CoudntUpdateProjectOrSpecTitle::~CoudntUpdateProjectOrSpecTitle() = default;

QB::UniString CoudntUpdateProjectOrSpecTitle::GetString(ConnectionWithSpecification& connection) const {
    const QB::UniString text = connection.ResolveStringVariables(connection.GetVantrel().GetResourceString(
        Util::Resource::Text::IssueTitleUpdatePropertyManagerNotReserved));
    return Util::Resource::ReplacePlaceholders(text, {{PlaceholderName::SpecificationTitleNew, _newSpecTitle},
                                                      {PlaceholderName::ProjectTitleNew, _newProjectTitle}});
}

void CoudntUpdateProjectOrSpecTitle::Fix(ConnectionWithSpecification& connection) {
    LOG_INFO("{}", *this);
    try {
        const QB::UniString specTitle =
            _newSpecTitle.IsEmpty() ? connection.TesselSpecificationTitle() : _newSpecTitle;
        const QB::UniString projectTitle =
            _newProjectTitle.IsEmpty() ? connection.TesselProjectTitle() : _newProjectTitle;
        connection.UpdateTitles(specTitle, projectTitle);
        // The connection takes the titles over only when the host accepted them; otherwise this
        // issue keeps them for the next try.
        if (connection.TesselSpecificationTitle() != specTitle ||
            connection.TesselProjectTitle() != projectTitle) {
            return;
        }
        _newSpecTitle.Clear();
        _newProjectTitle.Clear();
        // A change that needed no renaming leaves this issue listed: it is done with now.
        IssuePtr self;
        for (const IssuePtr& issue : connection.GetIssueCollection().GetIssues()) {
            if (issue.get() == this) {
                self = issue;
                break;
            }
        }
        if (self != nullptr) {
            connection.RemoveIssue(self);
        }
    }
    LOG_CATCH_ALL
}

ChangeResult CoudntUpdateProjectOrSpecTitle::Merge(Base& older) {
    if (!ATC_EXPECT_ERROR(!older.IsEmpty(), "!older->IsEmpty()")) {
        return {.isEmpty = true, .changed = false};
    }
    return {.isEmpty = dynamic_cast<const CoudntUpdateProjectOrSpecTitle*>(&older) != nullptr,
            .changed = false};
}

void CoudntUpdateProjectOrSpecTitle::Print(std::ostream& os) const {
    PrintBase(os);
    os << ", \"_newSpecTitle\": " << _newSpecTitle << ", \"_newProjectTitle\": " << _newProjectTitle;
}

std::unique_ptr<QB::Object> CoudntUpdateProjectOrSpecTitle::Clone() const {
    return std::make_unique<CoudntUpdateProjectOrSpecTitle>(*this);
}

QB::ErrCode CoudntUpdateProjectOrSpecTitle::Read(QB::IChannel& ic) {
    return ReadFrame(ic, classInfo, [&] {
        if (ic.Read(_newSpecTitle) == QB::NoError && ic.Read(_newProjectTitle) == QB::NoError) {
            Base::Read(ic);
        }
    });
}

QB::ErrCode CoudntUpdateProjectOrSpecTitle::Write(QB::OChannel& oc) const {
    return WriteFrame(oc, classInfo, [&] {
        if (oc.Write(_newSpecTitle) == QB::NoError && oc.Write(_newProjectTitle) == QB::NoError) {
            Base::Write(oc);
        }
    });
}

} // namespace TesselConnect::Model::Issue
