#pragma once

// A place the user can return to: a host database and, for the floor plan, the story shown;
// for the 3D window, the kind of projection.
//
// Issues keep one to remember where a failure happened and to go back there. A plain copyable
// value and a serialisable object of the core library (the database id nested as an object).
// Reading never throws: it answers the channel's status and refuses a newer main version.
//
// The free functions below reach the host through Api::Vantrel and throw its typed errors.

#include "Vantrel/Api/Structs/DatabaseId.hpp"

#include <QB/Channel.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <fmt/format.h>

#include <iosfwd>
#include <memory>
#include <string>

namespace TesselConnect::Api {

class Vantrel;

class WindowId : public QB::Object {
public:
    static const QB::ClassInfo classInfo;

    WindowId() = default;
    WindowId(const DatabaseId& databaseId, QB::Int16 storyNumber, bool projection) noexcept
        : projectionFlag(projection), _databaseId(databaseId), _storyNumber(storyNumber) {}

    bool IsValid() const noexcept { return _databaseId.IsValid(); }
    const DatabaseId& GetDatabaseId() const noexcept { return _databaseId; }
    QB::Int16 GetStoryNumber() const noexcept { return _storyNumber; }

    // {"_databaseId": {typeID: 1, index: 0, elemSetId: ...}, "_storyNumber": 2}
    std::string ToString() const;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    void Print(std::ostream& os) const override;

    friend bool operator==(const WindowId& left, const WindowId& right) noexcept {
        return left._databaseId == right._databaseId && left._storyNumber == right._storyNumber &&
               left.projectionFlag == right.projectionFlag;
    }

    // The first byte of the 3D projection settings when the window is the 3D window.
    bool projectionFlag = true;

private:
    DatabaseId _databaseId;
    QB::Int16 _storyNumber = 0; // the current story when the window is the floor plan
};

// The window the user looks at now.
WindowId CaptureCurrentWindow(Vantrel& vantrel);
// What the user calls the window: the story name for the floor plan, "3D View" for the 3D
// window, the view title otherwise. Throws AddonRuntimeError for a story the project no longer has.
QB::UniString GetWindowName(Vantrel& vantrel, const WindowId& windowId);
// Brings the window to front and, for the floor plan, shows its story.
void GoToWindow(Vantrel& vantrel, const WindowId& windowId);

} // namespace TesselConnect::Api

template <> struct fmt::formatter<TesselConnect::Api::WindowId> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Api::WindowId& id, FormatContext& ctx) const {
        const std::string text = id.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
