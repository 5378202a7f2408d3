#pragma once

// The host's file library: special folders and folder creation. Errors are status codes.
//
// Special locations:
//   SpecialLocation::Home (1)             the user's home folder ($HOME)
//   SpecialLocation::Temporary (4)        the temporary folder ($TMPDIR or the system's)
//   SpecialLocation::ApplicationData (8)  per-user application data: $QB_APPDATA_DIR when set
//                                          (tests), else $XDG_DATA_HOME, else $HOME/.local/share
// Any other number answers ErrorUnknownLocation.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <filesystem>

namespace QB {

enum class SpecialLocation : Int32 {
    Home = 1,
    Temporary = 4,
    ApplicationData = 8,
};

class FileLocation {
public:
    FileLocation() = default;
    explicit FileLocation(std::filesystem::path path) : _path(std::move(path)) {}

    bool IsEmpty() const noexcept { return _path.empty(); }
    const std::filesystem::path& GetPath() const noexcept { return _path; }
    // Appends one name; ErrorBadParameter for an empty name, ".", ".." or a name with a
    // separator (a location only ever goes down one level at a time).
    ErrCode AppendChild(const UniString& name);
    // The location as text; ErrorBadParameter for an empty location.
    ErrCode ToPath(UniString* path) const;

private:
    std::filesystem::path _path;
};

ErrCode GetSpecialLocation(SpecialLocation location, FileLocation* result);
ErrCode GetSpecialLocation(Int32 location, FileLocation* result);
// Creates the folder and every missing parent; NoError when it exists already.
ErrCode CreateFolderTree(const FileLocation& folder);

} // namespace QB
