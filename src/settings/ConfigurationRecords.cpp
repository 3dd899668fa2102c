#include "settings/ConfigurationRecords.h"

#include <algorithm>

#include "settings/SettingTags.h"
#include "settings/VEMOptions.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

// Values are taken as stored, without range checks: an empty record reads 0 or false even
// where the factory default is something else. Code that uses a setting copes with any value.
void ReadSettings(VEMOpt& root, SettingValues& values) {
    for (const SettingInfo& info : AllSettings()) {
        switch (info.type) {
            case SettingType::Text: {
                const FontKind kind = KindOfFontName(info.setting);
                values.SetFontName(kind, root.GetString(info.tag, values.FontName(kind)));
                break;
            }
            case SettingType::Bool:
                values.Set(info.setting, root.GetBool(info.tag, values.IsSet(info.setting)));
                break;
            case SettingType::Int:
            case SettingType::Byte:
            case SettingType::Colour:
                values.Set(info.setting, root.GetInt(info.tag, values.Get(info.setting)));
                break;
        }
    }
}

void WriteSettings(VEMOpt& root, const SettingValues& values) {
    for (const SettingInfo& info : AllSettings()) {
        switch (info.type) {
            case SettingType::Text:
                root.SetString(info.tag, values.FontName(KindOfFontName(info.setting)));
                break;
            case SettingType::Bool:
                root.SetBool(info.tag, values.IsSet(info.setting));
                break;
            case SettingType::Int:
            case SettingType::Byte:
            case SettingType::Colour:
                root.SetInt(info.tag, values.Get(info.setting));
                break;
        }
    }
}

}  // namespace

void CopyProfiles(VEMOpt& from, VEMOpt& to) {
    for (VEMOpt* profile = from.First(); profile != nullptr; profile = from.Next(profile)) {
        VEMOpt* copy = to.Child(profile->Key());
        copy->SetValue(profile->ValueData(), profile->ValueLength());
        for (VEMOpt* record = profile->First(); record != nullptr; record = profile->Next(record)) {
            copy->Child(record->Key())->SetValue(record->ValueData(), record->ValueLength());
        }
    }
}

bool ReadConfigurationRecords(VEMOpt& root, Configuration& config, const LoadContext& context) {
    using namespace tags;
    StoredSettings& stored = config.stored;
    ReadSettings(root, stored.values);

    stored.window.mode = root.GetInt(kWindowMode, int32_t(WindowMode::FullScreen));
    stored.window.left = root.GetInt(kWindowLeft, 0);
    stored.window.top = root.GetInt(kWindowTop, 0);
    stored.window.width = root.GetInt(kWindowWidth, context.screenWidth);
    stored.window.height = root.GetInt(kWindowHeight, context.screenHeight);
    stored.previewLines = std::clamp(root.GetInt(kPreviewLines, kDefaultPreviewLines), 0, kMaxPreviewLines);

    config.lastBookName = root.GetString(kLastBookName, "");
    config.defaultCodePage = root.GetInt(kDefaultCodePage, config.defaultCodePage);
    if (root.Find(kLanguageIndex) != nullptr) {
        const int32_t index = root.GetInt(kLanguageIndex, -1);
        if (index >= 0 && index < context.languageCount) config.languageIndex = index;
    }

    if (VEMOpt* names = root.Find(kKnownNames)) {
        for (KnownName& entry : ReadKnownNames(*names)) config.knownNames.push_back(std::move(entry));
    }
    VEMOpt* profiles = root.Find(kProfiles);
    if (profiles == nullptr) return false;
    CopyProfiles(*profiles, config.profiles);
    return true;
}

void WriteConfigurationRecords(VEMOpt& root, const VEMOptions& options, Configuration& config,
                               const SessionState& session) {
    using namespace tags;
    // The values as held, not as Priority "Speed" shows them: a save under Speed keeps the
    // user's quality settings.
    WriteSettings(root, options.Values());
    root.SetInt(kDefaultCodePage, config.defaultCodePage);
    root.SetString(kLastBookName, config.lastBookName);
    root.SetInt(kWindowMode, session.window.mode);
    root.SetInt(kWindowLeft, session.window.left);
    root.SetInt(kWindowTop, session.window.top);
    root.SetInt(kWindowWidth, session.window.width);
    root.SetInt(kWindowHeight, session.window.height);
    root.SetInt(kPreviewLines, session.previewLines);
    root.SetInt(kLanguageIndex, session.languageIndex);
    // Written even when empty, so that deleting every profile does not bring back the
    // built-in ones at the next start.
    CopyProfiles(config.profiles, *root.Child(kProfiles));
    if (!config.knownNames.empty()) WriteKnownNames(*root.Child(kKnownNames), config.knownNames);
}

}  // namespace corvalin
