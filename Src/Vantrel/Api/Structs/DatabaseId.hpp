#pragma once

// Identifies one host database (a view: floor plan, section, 3D window, layout, ...).
//
// A plain copyable value and a serialisable object of the core library, so that records that
// remember where something happened (issues) can store it. Reading never throws: it answers the
// channel's status, and refuses a stored main version newer than this class's.

#include <VNAPI/VNAPI.h>

#include <QB/Channel.hpp>
#include <QB/Guid.hpp>
#include <QB/Object.hpp>
#include <QB/Types.hpp>

#include <fmt/format.h>

#include <iosfwd>
#include <memory>
#include <string>

namespace TesselConnect::Api {

class DatabaseId : public QB::Object {
public:
    static const QB::ClassInfo classInfo;

    DatabaseId() = default;
    DatabaseId(QB::Int32 typeIdValue, QB::Int32 indexValue, const QB::Guid& elemSetIdValue) noexcept
        : typeID(typeIdValue), index(indexValue), elemSetId(elemSetIdValue) {}
    explicit DatabaseId(const API_WindowInfo& window) noexcept;
    explicit DatabaseId(const API_DatabaseInfo& database) noexcept;

    // 0 means no database.
    bool IsValid() const noexcept { return typeID != 0; }

    // The host records that identify the same database (the other fields cleared).
    API_WindowInfo ToWindowInfo() const noexcept;
    API_DatabaseInfo ToDatabaseInfo() const;

    // "{typeID: 1, index: 0, elemSetId: 0A1B...}"
    std::string ToString() const;

    std::unique_ptr<QB::Object> Clone() const override;
    const QB::ClassInfo* GetClassInfo() const override { return &classInfo; }
    QB::ErrCode Read(QB::IChannel& ic) override;
    QB::ErrCode Write(QB::OChannel& oc) const override;
    void Print(std::ostream& os) const override;

    friend bool operator==(const DatabaseId& left, const DatabaseId& right) noexcept {
        return left.typeID == right.typeID && left.index == right.index && left.elemSetId == right.elemSetId;
    }

    QB::Int32 typeID = 0; // host database type: 1 floor plan, 4 3D window
    QB::Int32 index = 0;  // within its type
    QB::Guid elemSetId;   // the database's unique id
};

} // namespace TesselConnect::Api

template <> struct fmt::formatter<TesselConnect::Api::DatabaseId> : fmt::formatter<fmt::string_view> {
    template <typename FormatContext>
    auto format(const TesselConnect::Api::DatabaseId& id, FormatContext& ctx) const {
        const std::string text = id.ToString();
        return fmt::formatter<fmt::string_view>::format(fmt::string_view(text.data(), text.size()), ctx);
    }
};
