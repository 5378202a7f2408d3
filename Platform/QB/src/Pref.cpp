#include <QB/Debug.hpp>
#include <QB/FileLibrary.hpp>
#include <QB/HashTable.hpp>
#include <QB/Pref.hpp>

#include <array>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include <fmt/format.h>

namespace {

namespace fs = std::filesystem;
using QB::ErrCode;
using QB::UniString;

using Section = QB::HashTable<UniString, UniString>;
using Sections = QB::HashTable<UniString, Section>;

constexpr std::array<const char*, 3> FileNames = {"Machine.prefs", "Default.prefs", "User.prefs"};
constexpr const char* FileHeader = "# Vantrel preferences, UTF-8; see QB/Pref.hpp for the format\n";

struct Store {
    std::mutex mutex;
    std::optional<fs::path> directoryOverride;
    std::atomic<bool> failing = false;
    std::array<std::optional<Sections>, 3> domains;
};

Store& TheStore() {
    static Store store;
    return store;
}

std::size_t IndexOf(QB::Int32 domain) {
    if (domain < QBPref::MachineDomain || domain > QBPref::UserDomain) {
        throw std::invalid_argument(fmt::format("QBPref: unknown preference domain {}", domain));
    }
    return static_cast<std::size_t>(domain + 1);
}

void ThrowIfFailing(const Store& store) {
    if (store.failing) {
        throw QBPref::StoreError("QBPref: the preference store is not available");
    }
}

fs::path DirectoryOf(const Store& store) {
    if (store.directoryOverride) {
        return *store.directoryOverride;
    }
    if (const char* dir = std::getenv("QB_PREF_DIR"); dir != nullptr && *dir != '\0') {
        return fs::path(dir);
    }
    QB::FileLocation location;
    if (QB::GetSpecialLocation(QB::SpecialLocation::ApplicationData, &location) != QB::NoError ||
        location.AppendChild("Vantrel") != QB::NoError ||
        location.AppendChild("Preferences") != QB::NoError) {
        return fs::path();
    }
    return location.GetPath();
}

// Escapes the characters that would change the meaning of a line; `extra` are the
// characters special to the part being written ("=" for keys, "]" for sections).
std::string Escape(const std::string& text, std::string_view extra, bool guardLineStart) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (extra.find(c) != std::string_view::npos ||
                (guardLineStart && i == 0 && (c == '#' || c == '['))) {
                out += '\\';
            }
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
        case '=':
        case ']':
        case '#':
        case '[':
            out += text[i];
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

// Position of the first `wanted` at or after `from` that is not escaped, or npos.
std::size_t FindUnescaped(std::string_view line, char wanted, std::size_t from = 0) {
    for (std::size_t i = from; i < line.size(); ++i) {
        if (line[i] == '\\') {
            ++i;
        } else if (line[i] == wanted) {
            return i;
        }
    }
    return std::string_view::npos;
}

Sections Parse(const std::string& content, const fs::path& file) {
    Sections sections;
    Section* current = nullptr;
    std::size_t lineNumber = 0;
    std::istringstream lines(content);
    std::string line;
    const auto reject = [&] {
        DBPrint(fmt::format("QBPref: {}:{}: unreadable line skipped\n", file.string(), lineNumber).c_str());
    };
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = FindUnescaped(line, ']', 1);
            const std::optional<std::string> name =
                close == line.size() - 1 ? Unescape(std::string_view(line).substr(1, close - 1))
                                         : std::nullopt;
            if (!name) {
                current = nullptr;
                reject();
                continue;
            }
            current = &sections[UniString(*name)];
            continue;
        }
        const std::size_t separator = FindUnescaped(line, '=');
        const auto key = separator == std::string::npos
                             ? std::nullopt
                             : Unescape(std::string_view(line).substr(0, separator));
        const auto value = separator == std::string::npos
                               ? std::nullopt
                               : Unescape(std::string_view(line).substr(separator + 1));
        if (current == nullptr || !key || !value) {
            reject();
            continue;
        }
        current->Put(UniString(*key), UniString(*value));
    }
    return sections;
}

Sections& Loaded(Store& store, std::size_t index) {
    std::optional<Sections>& domain = store.domains[index];
    if (!domain) {
        const fs::path file = DirectoryOf(store) / FileNames[index];
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        if (in) {
            content << in.rdbuf();
        }
        domain = Parse(content.str(), file);
    }
    return *domain;
}

ErrCode Save(Store& store, std::size_t index) {
    const fs::path directory = DirectoryOf(store);
    if (directory.empty()) {
        return QB::ErrorFileAccess;
    }
    std::string text = FileHeader;
    for (const auto& [sectionName, section] : *store.domains[index]) {
        text += '[' + Escape(sectionName.ToUtf8(), "]", false) + "]\n";
        for (const auto& [key, value] : section) {
            text += Escape(key.ToUtf8(), "=", true) + '=' + Escape(value.ToUtf8(), "", false) + '\n';
        }
    }
    std::error_code error;
    fs::create_directories(directory, error);
    const fs::path file = directory / FileNames[index];
    fs::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            return QB::ErrorFileAccess;
        }
    }
    fs::rename(temporary, file, error);
    if (error) {
        fs::remove(temporary, error);
        return QB::ErrorFileAccess;
    }
    return QB::NoError;
}

} // namespace

QBPref QBPref::GetRootKey(QB::Int32 domain) {
    IndexOf(domain);
    return QBPref(domain);
}

UniString QBPref::GetString(const UniString& section, const UniString& key, const UniString& defaultValue,
                            bool writeBack) const {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    ThrowIfFailing(store);
    const std::size_t index = IndexOf(_domain);
    Sections& sections = Loaded(store, index);
    if (const Section* values = sections.GetPtr(section)) {
        if (const UniString* value = values->GetPtr(key)) {
            return *value;
        }
    }
    if (writeBack) {
        sections[section].Put(key, defaultValue);
        Save(store, index);
    }
    return defaultValue;
}

bool QBPref::Contains(const UniString& section, const UniString& key) const {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    ThrowIfFailing(store);
    const Section* values = Loaded(store, IndexOf(_domain)).GetPtr(section);
    return values != nullptr && values->ContainsKey(key);
}

ErrCode QBPref::SetString(const UniString& section, const UniString& key, const UniString& value) const {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    ThrowIfFailing(store);
    const std::size_t index = IndexOf(_domain);
    Loaded(store, index)[section].Put(key, value);
    return Save(store, index);
}

ErrCode QBPref::Delete(const UniString& section, const UniString& key) const {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    ThrowIfFailing(store);
    const std::size_t index = IndexOf(_domain);
    Sections& sections = Loaded(store, index);
    Section* values = sections.GetPtr(section);
    if (values == nullptr || !values->Delete(key)) {
        return QB::NoError;
    }
    if (values->IsEmpty()) {
        sections.Delete(section);
    }
    return Save(store, index);
}

void QBPref::SetDirectory(const std::filesystem::path& directory) {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.directoryOverride = directory;
    store.domains = {};
}

void QBPref::ResetDirectory() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.directoryOverride.reset();
    store.domains = {};
}

std::filesystem::path QBPref::GetDirectory() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    return DirectoryOf(store);
}

void QBPref::DiscardCache() {
    Store& store = TheStore();
    std::lock_guard lock(store.mutex);
    store.domains = {};
}

void QBPref::SetFailureInjection(bool failing) {
    TheStore().failing = failing;
}
