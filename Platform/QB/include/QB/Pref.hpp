#pragma once

// The host's preference store: text values by section and key, in three domains.
//
//   QBPref::MachineDomain (-1)  settings shared by every project of the installation
//   QBPref::DefaultDomain  (0)  the application's own settings (the default root key)
//   QBPref::UserDomain     (1)  settings that identify or belong to the user
//
// Each domain is a UTF-8 text file in the preference folder: "Machine.prefs",
// "Default.prefs", "User.prefs". The folder is, in this order: the one set with
// SetDirectory, the environment variable QB_PREF_DIR, or the per-user application data
// folder (FileLibrary.hpp, location 8) + "Vantrel/Preferences". File format, one entry a line:
//     # comment
//     [section]
//     key=value
// with "\\", "\n", "\r", "\t" escaped in sections, keys and values, and also "=" in keys and
// "]" in sections. Lines that cannot be read are skipped and reported through DBPrint, so a
// damaged file loses only its damaged lines. Every change is written at once (through a
// temporary file renamed over the old one, so a crash never leaves half a file).
//
// Reads with write-back store the default when the key is missing. A domain is read from
// its file on first use and then served from memory.
//
// Thread-safe. Throws QBPref::StoreError only while failure injection is on (tests) and
// std::invalid_argument for a domain other than the three above.

#include <QB/Types.hpp>
#include <QB/UniString.hpp>

#include <filesystem>
#include <stdexcept>

class QBPref {
public:
    static constexpr QB::Int32 MachineDomain = -1;
    static constexpr QB::Int32 DefaultDomain = 0;
    static constexpr QB::Int32 UserDomain = 1;

    class StoreError : public std::runtime_error {
    public:
        using std::runtime_error::runtime_error;
    };

    static QBPref GetRootKey(QB::Int32 domain = DefaultDomain);

    QB::Int32 GetDomain() const noexcept { return _domain; }

    // The stored value, or `defaultValue` when the key is missing; with `writeBack`, a
    // missing key is stored with the default (a failed write still answers the default).
    QB::UniString GetString(const QB::UniString& section, const QB::UniString& key,
                            const QB::UniString& defaultValue, bool writeBack = false) const;
    bool Contains(const QB::UniString& section, const QB::UniString& key) const;
    // Stores in memory and in the file; ErrorFileAccess when the file could not be written.
    QB::ErrCode SetString(const QB::UniString& section, const QB::UniString& key,
                          const QB::UniString& value) const;
    // NoError also when the key did not exist.
    QB::ErrCode Delete(const QB::UniString& section, const QB::UniString& key) const;

    // Redirects the store (tests, portable installs) and forgets what was read so far.
    static void SetDirectory(const std::filesystem::path& directory);
    // Back to QB_PREF_DIR or the default folder; forgets what was read so far.
    static void ResetDirectory();
    static std::filesystem::path GetDirectory();
    // Forgets what was read, as a new run of the host would; files stay as they are.
    static void DiscardCache();
    // While on, every read and write throws StoreError.
    static void SetFailureInjection(bool failing);

private:
    explicit QBPref(QB::Int32 domain) noexcept : _domain(domain) {}
    QB::Int32 _domain;
};
