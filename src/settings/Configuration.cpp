#include "settings/Configuration.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "settings/ConfigurationRecords.h"
#include "settings/Profiles.h"
#include "settings/SettingTags.h"
#include "store/DurableFile.h"
#include "store/RecordIO.h"
#include "store/VEMCrypt.h"
#include "store/VEMFile.h"

namespace corvalin {
namespace {

// Global.cfg:
//
//   0            record store (current encoding, or the earlier 16-bit one)
//   length - 16  digest of [0, length - 16): seed B, or seed A in the earlier form
//
// The smallest store is one byte more than the digest.
constexpr int64_t kMinFileBytes = kDigestLength + 1;
// Settings, profiles and a few thousand known names come to kilobytes; a file this large is
// not ours, and reading it would only cost memory.
constexpr int64_t kMaxFileBytes = int64_t{64} << 20;
constexpr int kReadClusterShift = 16;
constexpr int kReadClusters = 1;
// The whole file goes to "Global.cfg.new" first and replaces Global.cfg by a rename only once
// it is written and synced: at every moment one complete file is in place.
constexpr const char* kPartialSuffix = ".new";

enum class Encoding { Current, Legacy };

struct Decoded {
    ConfigStatus status;
    std::string message;
    std::unique_ptr<VEMOpt> root;
};

#ifndef CORVALIN_FUZZ_SKIP_DIGESTS
bool DigestMatches(const DigestSeed& seed, const uint8_t* data, size_t size) {
    const size_t storeBytes = size - kDigestLength;
    const std::vector<uint8_t> digest = ComputeDigest(seed, data, storeBytes);
    return std::equal(digest.begin(), digest.end(), data + storeBytes);
}
#endif

// Nothing is taken from the records until all of them decoded, so a store that breaks off
// half-way leaves the factory defaults.
Decoded DecodeAs(Encoding encoding, const uint8_t* data, size_t size) {
    auto root = std::make_unique<VEMOpt>();
    MemoryRecordReader reader(data, size - kDigestLength);
    try {
        if (encoding == Encoding::Legacy) {
            root->ReadLegacy(reader.reader());
        } else {
            root->Read(reader.reader());
        }
    } catch (const FileError& error) {
        return {
            ConfigStatus::Undecodable, std::string("Global.cfg records do not decode: ") + error.what(), {}};
    }
    if (encoding == Encoding::Current) return {ConfigStatus::Loaded, {}, std::move(root)};
    // A file of the earlier program: its last book is forgotten.
    root->SetString(tags::kLastBookName, "");
    return {ConfigStatus::Converted, {}, std::move(root)};
}

Decoded Decode(const uint8_t* data, size_t size) {
    if (size < size_t(kMinFileBytes))
        return {ConfigStatus::TooShort, "Global.cfg is too short to hold a store", {}};
#ifdef CORVALIN_FUZZ_SKIP_DIGESTS
    // Without the digests to tell them apart, the current encoding is tried first, so that
    // real files in a seed corpus take the path they take in the program.
    Decoded current = DecodeAs(Encoding::Current, data, size);
    if (current.status != ConfigStatus::Undecodable) return current;
    return DecodeAs(Encoding::Legacy, data, size);
#else
    if (DigestMatches(SeedB(), data, size)) return DecodeAs(Encoding::Current, data, size);
    if (DigestMatches(SeedA(), data, size)) return DecodeAs(Encoding::Legacy, data, size);
    return {ConfigStatus::BadDigest, "Global.cfg fails its digest", {}};
#endif
}

ConfigLoadResult TakeDecoded(Decoded& decoded, Configuration& config, const LoadContext& context) {
    ConfigLoadResult result;
    result.status = decoded.status;
    result.message = decoded.message;
    if (decoded.root) result.profilesFromFile = ReadConfigurationRecords(*decoded.root, config, context);
    if (!result.profilesFromFile) CreateBuiltinProfiles(config.profiles);
    return result;
}

std::string EncodeRoot(VEMOpt& root) {
    StringRecordWriter writer;
    root.Write(writer.writer());
    std::string bytes = writer.bytes();
    const std::vector<uint8_t> digest =
        ComputeDigest(SeedB(), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    bytes.append(digest.begin(), digest.end());
    return bytes;
}

}  // namespace

SessionState StartupSession(const Configuration& config) {
    SessionState session;
    session.window = config.stored.window;
    session.previewLines = config.stored.previewLines;
    session.languageIndex = std::max(config.languageIndex, 0);  // the list starts on its first entry
    return session;
}

ConfigLoadResult LoadConfigurationBytes(const uint8_t* data, size_t size, Configuration& config,
                                        const LoadContext& context) {
    Decoded decoded = Decode(data, size);
    return TakeDecoded(decoded, config, context);
}

ConfigLoadResult LoadConfiguration(const std::filesystem::path& folder, Configuration& config,
                                   const LoadContext& context) {
    const std::filesystem::path path = folder / kConfigurationFileName;
    auto fail = [&](ConfigStatus status, std::string message) {
        Decoded decoded{status, std::move(message), {}};
        return TakeDecoded(decoded, config, context);
    };

    // The save writes a new file beside the old one and renames it over it: the folder must
    // take new files and the old file must be the user's to replace.
    const bool folderWritable = ::access(folder.c_str(), W_OK) == 0;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        ConfigLoadResult missing = fail(ConfigStatus::Missing, {});
        missing.writable = folderWritable;
        return missing;
    }
    const bool writable = folderWritable && ::access(path.c_str(), W_OK) == 0;
    auto failKeeping = [&](ConfigStatus failure, std::string message) {
        ConfigLoadResult result = fail(failure, std::move(message));
        result.writable = writable;
        return result;
    };
    // A file the program cannot read may still hold the user's settings: never replace it.
    auto unreadable = [&](std::string message) {
        ConfigLoadResult result = fail(ConfigStatus::Unreadable, std::move(message));
        result.writable = false;
        return result;
    };
    if (error || status.type() != std::filesystem::file_type::regular)
        return unreadable(path.string() + " is not a readable file");

    std::vector<uint8_t> bytes;
    try {
        const int handle = OpenFileHandle(path, FileMode::Read);
        if (handle < 0) return unreadable(SystemError("cannot open", path, errno));
        VEMFile file;
        file.Open(handle, kReadClusterShift, kReadClusters);
        const int64_t length = file.Length();
        if (length < 0) return unreadable("cannot tell the length of " + path.string());
        if (length > kMaxFileBytes)
            return failKeeping(ConfigStatus::TooLarge, path.string() + " is too large");
        bytes.resize(size_t(length));
        file.Read(bytes.data(), length, 0);
        file.Close();
    } catch (const FileError& readError) {
        return unreadable(std::string("cannot read ") + path.string() + ": " + readError.what());
    }

    Decoded decoded = Decode(bytes.data(), bytes.size());
    if (decoded.status == ConfigStatus::Converted && context.convertLegacy && writable) {
        // The same replacing write as a save: if it fails, the old file stays and is
        // converted again next time; the values are used either way.
        const std::string failure = WriteFileReplacing(path, EncodeRoot(*decoded.root), kPartialSuffix);
        if (!failure.empty()) decoded.message = "Global.cfg was read but not converted: " + failure;
    }
    ConfigLoadResult result = TakeDecoded(decoded, config, context);
    result.writable = writable;
    return result;
}

std::filesystem::path KeepDamagedConfiguration(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder / kConfigurationFileName;
    std::filesystem::path copy = path;
    copy += kDamagedConfigurationSuffix;
    std::error_code error;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, error);
    return error ? std::filesystem::path() : copy;
}

std::string EncodeConfiguration(const VEMOptions& options, Configuration& config,
                                const SessionState& session) {
    VEMOpt root;
    WriteConfigurationRecords(root, options, config, session);
    return EncodeRoot(root);
}

ConfigSaveResult SaveConfiguration(const std::filesystem::path& folder, const VEMOptions& options,
                                   Configuration& config, const SessionState& session) {
    const std::string failure = WriteFileReplacing(
        folder / kConfigurationFileName, EncodeConfiguration(options, config, session), kPartialSuffix);
    return {failure.empty(), failure};
}

}  // namespace corvalin
