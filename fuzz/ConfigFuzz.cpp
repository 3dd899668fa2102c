// Loads arbitrary bytes as Global.cfg, then exercises what the reader does with the result:
// the values go into the live settings, every profile is applied and stored again, and the
// whole configuration is written and read back. Whatever the loader accepts must survive that
// round trip unchanged; whatever it refuses must leave the factory values.
//
// Seeds in fuzz/corpus/config/: files saved by the program (factory, changed settings with a
// profile and known names, no profiles at all) and one file of the earlier 16-bit encoding.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/Configuration.h"
#include "settings/ConfigurationRecords.h"
#include "settings/Profiles.h"
#include "settings/VEMOptions.h"
#include "store/RecordIO.h"
#include "store/FileError.h"
#include "store/VEMOpt.h"

namespace {

using namespace corvalin;

// Real files are a few kilobytes; values are bounded by the input anyway.
constexpr size_t kMaxInputBytes = 1 << 20;
constexpr int32_t kLanguageCount = 4;
// Choosing an entry looks its profile up by name; a few dozen entries cover every path.
constexpr size_t kMaxEntriesChosen = 64;

std::string Encode(VEMOpt& root) {
    StringRecordWriter writer;
    root.Write(writer.writer());
    return writer.bytes();
}

void Check(bool condition) {
    if (!condition) std::abort();
}

void ExerciseProfiles(Configuration& config) {
    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);
    for (VEMOpt* profile = config.profiles.First(); profile != nullptr;
         profile = config.profiles.Next(profile)) {
        ApplyProfile(options, *profile);
        const ProfileChecks checks = LoadProfileChecks(*profile);
        VEMOpt scratch;
        StoreProfile(scratch, profile->Key(), profile->Value(), options, checks);
        Check(LoadProfileChecks(*scratch.First()) == checks);
    }
    const ProfileList list = RefreshProfileList(config.profiles, "Reset", "");
    for (size_t i = 0; i < list.entries.size() && i < kMaxEntriesChosen; ++i) {
        ChooseProfileEntry(options, config.profiles, list, int(i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInputBytes) return -1;
    LoadContext context;
    context.languageCount = kLanguageCount;

    Configuration config;
    const ConfigLoadResult result = LoadConfigurationBytes(data, size, config, context);
    if (!result.Valid()) {
        Check(config.stored == StoredSettings());
        Check(config.knownNames.empty() && config.lastBookName.empty());
        return 0;
    }

    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);
    Check(options.Values() == config.stored.values);

    const SessionState session = StartupSession(config);
    VEMOpt written;
    WriteConfigurationRecords(written, options, config, session);
    const std::string bytes = Encode(written);
    VEMOpt reread;
    MemoryRecordReader reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    try {
        reread.Read(reader.reader());
    } catch (const FileError&) {
        std::abort();  // our own encoding was rejected
    }
    Configuration again;
    Check(ReadConfigurationRecords(reread, again, context));
    Check(again.stored == config.stored);
    Check(again.defaultCodePage == config.defaultCodePage);
    Check(again.lastBookName == config.lastBookName);
    Check(again.languageIndex == session.languageIndex);
    Check(again.knownNames.size() == config.knownNames.size());
    for (size_t i = 0; i < again.knownNames.size(); ++i) {
        Check(again.knownNames[i].kind == config.knownNames[i].kind);
        Check(again.knownNames[i].name == config.knownNames[i].name);
    }
    Check(Encode(again.profiles) == Encode(config.profiles));

    ExerciseProfiles(config);
    return 0;
}
