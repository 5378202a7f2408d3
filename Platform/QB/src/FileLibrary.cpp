#include <QB/FileLibrary.hpp>

#include <cstdlib>
#include <system_error>

namespace QB {

namespace {

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::filesystem::path() : std::filesystem::path(value);
}

} // namespace

ErrCode FileLocation::AppendChild(const UniString& name) {
    const std::filesystem::path child(name.ToUtf8());
    if (name.IsEmpty() || name == "." || name == ".." || name.Contains("/") || child.has_root_path()) {
        return ErrorBadParameter;
    }
    _path /= child;
    return NoError;
}

ErrCode FileLocation::ToPath(UniString* path) const {
    if (path == nullptr || _path.empty()) {
        return ErrorBadParameter;
    }
    *path = UniString(_path.string());
    return NoError;
}

ErrCode GetSpecialLocation(SpecialLocation location, FileLocation* result) {
    if (result == nullptr) {
        return ErrorBadParameter;
    }
    std::filesystem::path path;
    switch (location) {
    case SpecialLocation::Home:
        path = FromEnvironment("HOME");
        break;
    case SpecialLocation::Temporary: {
        std::error_code error;
        path = std::filesystem::temp_directory_path(error);
        break;
    }
    case SpecialLocation::ApplicationData:
        path = FromEnvironment("QB_APPDATA_DIR");
        if (path.empty()) {
            // A relative XDG folder is invalid by its definition and is ignored.
            const std::filesystem::path xdg = FromEnvironment("XDG_DATA_HOME");
            if (xdg.is_absolute()) {
                path = xdg;
            }
        }
        if (path.empty()) {
            const std::filesystem::path home = FromEnvironment("HOME");
            path = home.empty() ? std::filesystem::path() : home / ".local" / "share";
        }
        break;
    default:
        return ErrorUnknownLocation;
    }
    if (path.empty()) {
        return ErrorUnknownLocation;
    }
    *result = FileLocation(path);
    return NoError;
}

ErrCode GetSpecialLocation(Int32 location, FileLocation* result) {
    switch (location) {
    case static_cast<Int32>(SpecialLocation::Home):
    case static_cast<Int32>(SpecialLocation::Temporary):
    case static_cast<Int32>(SpecialLocation::ApplicationData):
        return GetSpecialLocation(static_cast<SpecialLocation>(location), result);
    default:
        return ErrorUnknownLocation;
    }
}

ErrCode CreateFolderTree(const FileLocation& folder) {
    if (folder.IsEmpty()) {
        return ErrorBadParameter;
    }
    std::error_code error;
    std::filesystem::create_directories(folder.GetPath(), error);
    if (error || !std::filesystem::is_directory(folder.GetPath(), error)) {
        return ErrorFileAccess;
    }
    return NoError;
}

} // namespace QB
