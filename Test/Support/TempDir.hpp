#pragma once

// A fresh, empty folder for one test, removed with everything in it when the
// object goes. It lives under $ATC_TEST_TMP (the build tree's test folder) or,
// when that is not set, under the system temp folder; never in the user's home.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace TestSupport {

class TempDir {
public:
    explicit TempDir(std::string_view prefix = "atc");
    ~TempDir();

    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return _path; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return _path / relative; }

private:
    std::filesystem::path _path;
};

// The whole content of a file, as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

// Sets (or with nullopt, removes) an environment variable for the object's
// lifetime and restores the previous value afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::optional<std::string>& value);
    ~ScopedEnv();

    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string _name;
    std::optional<std::string> _previous;
};

} // namespace TestSupport
