#include "Support/TempDir.hpp"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace TestSupport {

namespace {

std::filesystem::path TestTempRoot() {
    if (const char* root = std::getenv("ATC_TEST_TMP"); root != nullptr && *root != '\0') {
        return root;
    }
    return std::filesystem::temp_directory_path() / "atc-test";
}

} // namespace

TempDir::TempDir(std::string_view prefix) {
    const auto root = TestTempRoot();
    std::filesystem::create_directories(root);
    std::string pattern = (root / std::string(prefix)).string() + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    _path = buffer.data();
}

TempDir::~TempDir() {
    std::error_code ignored;
    // Folders made read-only by a test must become writable again to be removed.
    for (auto it = std::filesystem::recursive_directory_iterator(
             _path, std::filesystem::directory_options::skip_permission_denied, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::permissions(_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(_path, ignored);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : _name(std::move(name)) {
    if (const char* previous = std::getenv(_name.c_str()); previous != nullptr) {
        _previous = previous;
    }
    if (value) {
        setenv(_name.c_str(), value->c_str(), 1);
    } else {
        unsetenv(_name.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (_previous) {
        setenv(_name.c_str(), _previous->c_str(), 1);
    } else {
        unsetenv(_name.c_str());
    }
}

} // namespace TestSupport
