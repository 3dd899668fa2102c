#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/KnownNames.h"
#include "settings/StoredSettings.h"
#include "store/VEMOpt.h"

namespace corvalin {

class VEMOptions;

constexpr const char* kConfigurationFileName = "Global.cfg";

// Everything Global.cfg holds, as the main window keeps it. Load into a fresh object: values
// the file lacks keep what the object held, which for a fresh one are the factory defaults.
struct Configuration {
    StoredSettings stored;
    int32_t defaultCodePage = 0;  // the code page chosen last for imports
    std::string lastBookName;     // relative to the Books folder; empty after a legacy file
    int32_t languageIndex = -1;   // entry of the language list chosen by the file, -1 none
    VEMOpt profiles;              // the profile store
    std::vector<KnownName> knownNames;
};

// What the loader needs to know about the running program.
struct LoadContext {
    // Entries of the interface language list; a stored index must address one of them.
    int32_t languageCount = 0;
    // A file without window size records opens the window at screen size.
    int32_t screenWidth = WindowPlacement{}.width;
    int32_t screenHeight = WindowPlacement{}.height;
    // Rewrite a file of the earlier encoding in the current one. Read-only callers turn this off.
    bool convertLegacy = true;
};

// Values of the running session that the save writes besides the settings.
struct SessionState {
    WindowPlacement window;
    int32_t previewLines = kDefaultPreviewLines;
    int32_t languageIndex = 0;  // the entry selected in the language list
};
// The session as it starts: the stored placement and preview lines, the file's language.
SessionState StartupSession(const Configuration& config);

enum class ConfigStatus {
    Loaded,       // a valid file
    Converted,    // a valid file of the earlier encoding, read and (when asked) rewritten
    Missing,      // no file
    TooShort,     // fewer bytes than a digest and an end mark
    TooLarge,     // far beyond anything the program writes
    Unreadable,   // exists but cannot be opened or read
    BadDigest,    // matches neither digest: damaged or not ours
    Undecodable,  // the digest matches but the records do not decode
};

struct ConfigLoadResult {
    ConfigStatus status = ConfigStatus::Missing;
    bool profilesFromFile = false;  // false: the built-in profiles were created
    std::string message;            // what went wrong, for a log; empty on success
    // A save may replace the file: it is missing or writable, in a folder that takes new files.
    bool writable = true;
    bool Valid() const { return status == ConfigStatus::Loaded || status == ConfigStatus::Converted; }
    // A file is there but holds nothing the program can use.
    bool Damaged() const {
        return status == ConfigStatus::TooShort || status == ConfigStatus::TooLarge ||
               status == ConfigStatus::BadDigest || status == ConfigStatus::Undecodable;
    }
};

constexpr const char* kDamagedConfigurationSuffix = ".bad";
// Copies a Global.cfg that could not be used to Global.cfg.bad before a save replaces it, so
// that nothing the user had is lost unseen. The copy's path, or empty when it failed.
std::filesystem::path KeepDamagedConfiguration(const std::filesystem::path& folder);

// Reads `folder`/Global.cfg into `config`. A file that is not valid leaves every value at its
// default and is not touched; it is replaced by the next successful save. Without profiles
// from the file the built-in ones are created.
ConfigLoadResult LoadConfiguration(const std::filesystem::path& folder, Configuration& config,
                                   const LoadContext& context);
// The same over the file's bytes, without any file: nothing is rewritten.
ConfigLoadResult LoadConfigurationBytes(const uint8_t* data, size_t size, Configuration& config,
                                        const LoadContext& context);

// The bytes of Global.cfg for the live settings, the configuration and the session: the
// record store followed by its digest.
// (Walking a record store moves its cursor, hence the non-const configuration.)
std::string EncodeConfiguration(const VEMOptions& options, Configuration& config,
                                const SessionState& session);

struct ConfigSaveResult {
    bool ok = false;
    std::string message;
};

// Writes Global.cfg completely. The new file is written beside the old one, synced and renamed
// over it only when complete, so a failed save leaves the previous file as it was.
ConfigSaveResult SaveConfiguration(const std::filesystem::path& folder, const VEMOptions& options,
                                   Configuration& config, const SessionState& session);

}  // namespace corvalin
