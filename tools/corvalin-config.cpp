// corvalin-config show [--dir PROGRAM_FOLDER]
// corvalin-config set NAME VALUE [--dir PROGRAM_FOLDER]
//
// `show` prints the settings of the folder's Global.cfg as "Name = value" lines (colours as
// 0xBBGGRR), then the profiles and the known names. It exits 0 for a valid file and 1 when the
// file is missing, short or damaged; the factory values are printed then. It never writes.
//
// `set` changes one stored value and saves Global.cfg the way the reader saves it: the whole
// file is rewritten, profiles and known names included.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "import/UnicodeSources.h"
#include "lang/Languages.h"
#include "platform/ProgramFolder.h"
#include "settings/Configuration.h"
#include "settings/SettingTable.h"
#include "settings/VEMOptions.h"
#include "store/VEMOpt.h"

namespace {

using namespace corvalin;

constexpr int kExitValid = 0;
constexpr int kExitNotValid = 1;
constexpr int kExitUsage = 2;
constexpr int kExitSaveFailed = 3;

int Usage() {
    std::cerr << "usage: corvalin-config show [--dir PROGRAM_FOLDER]\n"
                 "       corvalin-config set NAME VALUE [--dir PROGRAM_FOLDER]\n";
    return kExitUsage;
}

LoadContext ToolContext(bool convertLegacy) {
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    context.convertLegacy = convertLegacy;
    return context;
}

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*" PRIX32, digits, value);
    return text;
}

std::string FormatSetting(const SettingInfo& info, const SettingValues& values) {
    switch (info.type) {
        case SettingType::Text:
            return values.FontName(KindOfFontName(info.setting));
        case SettingType::Bool:
            return values.IsSet(info.setting) ? "true" : "false";
        case SettingType::Colour:
            return Hex(uint32_t(values.Get(info.setting)), 6);
        case SettingType::Int:
        case SettingType::Byte:
            return std::to_string(values.Get(info.setting));
    }
    return {};
}

// A profile record as "Name=value"; texts quoted, unknown records as their tag and raw bytes.
std::string FormatProfileRecord(VEMOpt& profile, VEMOpt& record) {
    const SettingInfo* info = FindSettingByTag(record.Key());
    if (info == nullptr) {
        std::string bytes;
        for (uint32_t i = 0; i < record.ValueLength(); ++i) bytes += Hex(record.ValueData()[i], 2).substr(2);
        return Hex(record.Key(), 3) + "=[" + bytes + "]";
    }
    std::string value;
    switch (info->type) {
        case SettingType::Text:
            value = "\"" + record.Value() + "\"";
            break;
        case SettingType::Bool:
            value = profile.GetBool(info->tag, false) ? "true" : "false";
            break;
        case SettingType::Colour:
            value = Hex(uint32_t(profile.GetInt(info->tag, 0)), 6);
            break;
        case SettingType::Int:
        case SettingType::Byte:
            value = std::to_string(NormaliseSettingValue(info->type, profile.GetInt(info->tag, 0)));
    }
    return std::string(info->name) + "=" + value;
}

// Values of Global.cfg that are not settings, by the names the tool uses for them.
struct ExtraValue {
    const char* name;
    std::function<std::string(const Configuration&)> show;
    // Parses and stores; false when the text is not acceptable.
    std::function<bool(Configuration&, const std::string&)> set;
};

std::optional<int32_t> ParseInt(const std::string& text, int64_t minimum, int64_t maximum) {
    if (text.empty()) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value < minimum || value > maximum) return std::nullopt;
    return int32_t(value);
}

std::optional<bool> ParseBool(const std::string& text) {
    if (text == "true" || text == "1" || text == "yes") return true;
    if (text == "false" || text == "0" || text == "no") return false;
    return std::nullopt;
}

ExtraValue IntValue(const char* name, int32_t Configuration::*field, int64_t minimum, int64_t maximum) {
    return {name, [field](const Configuration& c) { return std::to_string(c.*field); },
            [field, minimum, maximum](Configuration& c, const std::string& text) {
                const auto value = ParseInt(text, minimum, maximum);
                if (value) c.*field = *value;
                return value.has_value();
            }};
}

ExtraValue StoredInt(const char* name, int32_t StoredSettings::*field, int64_t minimum, int64_t maximum) {
    return {name, [field](const Configuration& c) { return std::to_string(c.stored.*field); },
            [field, minimum, maximum](Configuration& c, const std::string& text) {
                const auto value = ParseInt(text, minimum, maximum);
                if (value) c.stored.*field = *value;
                return value.has_value();
            }};
}

ExtraValue WindowInt(const char* name, int32_t WindowPlacement::*field, int64_t minimum, int64_t maximum) {
    return {name, [field](const Configuration& c) { return std::to_string(c.stored.window.*field); },
            [field, minimum, maximum](Configuration& c, const std::string& text) {
                const auto value = ParseInt(text, minimum, maximum);
                if (value) c.stored.window.*field = *value;
                return value.has_value();
            }};
}

std::vector<ExtraValue> ExtraValues() {
    constexpr int64_t kMin = INT32_MIN;
    constexpr int64_t kMax = INT32_MAX;
    return {
        IntValue("DefaultCodePage", &Configuration::defaultCodePage, kMin, kMax),
        {"LastBookName", [](const Configuration& c) { return c.lastBookName; },
         [](Configuration& c, const std::string& text) {
             c.lastBookName = text;
             return true;
         }},
        IntValue("LanguageIndex", &Configuration::languageIndex, 0, int64_t(kLanguageListEntries.size()) - 1),
        StoredInt("PreviewLines", &StoredSettings::previewLines, 0, kMaxPreviewLines),
        WindowInt("WindowMode", &WindowPlacement::mode, 0, 2),
        WindowInt("WindowLeft", &WindowPlacement::left, kMin, kMax),
        WindowInt("WindowTop", &WindowPlacement::top, kMin, kMax),
        WindowInt("WindowWidth", &WindowPlacement::width, kMin, kMax),
        WindowInt("WindowHeight", &WindowPlacement::height, kMin, kMax),
    };
}

bool SetSetting(const SettingInfo& info, SettingValues& values, const std::string& text) {
    if (info.type == SettingType::Text) {
        if (text.empty()) return false;
        values.SetFontName(KindOfFontName(info.setting), text);
        return true;
    }
    if (info.type == SettingType::Bool) {
        const auto value = ParseBool(text);
        if (value) values.Set(info.setting, *value);
        return value.has_value();
    }
    // The range the options panel accepts, so that the reader never meets a value it could
    // not have set itself.
    const auto value = ParseInt(text, info.minimum, info.maximum);
    if (value) values.Set(info.setting, *value);
    return value.has_value();
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

int Show(const std::filesystem::path& folder) {
    Configuration config;
    const ConfigLoadResult result = LoadConfiguration(folder, config, ToolContext(false));

    for (const SettingInfo& info : AllSettings()) {
        std::cout << info.name << " = " << FormatSetting(info, config.stored.values) << '\n';
    }
    for (const ExtraValue& extra : ExtraValues()) {
        std::cout << extra.name << " = " << extra.show(config) << '\n';
    }
    for (VEMOpt* profile = config.profiles.First(); profile; profile = config.profiles.Next(profile)) {
        std::cout << "profile " << profile->Key() << ' ' << Quoted(profile->Value()) << ':';
        for (VEMOpt* record = profile->First(); record; record = profile->Next(record)) {
            std::cout << ' ' << FormatProfileRecord(*profile, *record);
        }
        std::cout << '\n';
    }
    for (const KnownName& entry : config.knownNames) {
        std::cout << "known " << entry.kind << ' ' << Quoted(Utf16ToUtf8(entry.name)) << '\n';
    }
    std::cout.flush();

    if (result.status == ConfigStatus::Missing) {
        std::cerr << "corvalin-config: no " << kConfigurationFileName << " in " << folder.string()
                  << "; factory values shown\n";
    } else if (!result.Valid()) {
        std::cerr << "corvalin-config: " << result.message << "; factory values shown\n";
    }
    return result.Valid() ? kExitValid : kExitNotValid;
}

int Set(const std::filesystem::path& folder, const std::string& name, const std::string& text) {
    const SettingInfo* info = FindSettingByName(name);
    const std::vector<ExtraValue> extras = ExtraValues();
    const ExtraValue* extra = nullptr;
    for (const ExtraValue& candidate : extras) {
        if (name == candidate.name) extra = &candidate;
    }
    if (info == nullptr && extra == nullptr) {
        std::cerr << "corvalin-config: no setting named " << name << '\n';
        return kExitUsage;
    }

    // Start from what the reader would start from: the file's values, or the factory ones.
    Configuration config;
    const ConfigLoadResult loaded = LoadConfiguration(folder, config, ToolContext(true));
    if (!loaded.Valid() && loaded.status != ConfigStatus::Missing) {
        std::cerr << "corvalin-config: " << loaded.message << "; starting from factory values\n";
    }
    const bool accepted =
        info != nullptr ? SetSetting(*info, config.stored.values, text) : extra->set(config, text);
    if (!accepted) {
        std::cerr << "corvalin-config: " << Quoted(text) << " is not a value for " << name << '\n';
        return kExitUsage;
    }

    // The save writes the live settings; at start-up they are the stored ones.
    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);
    const ConfigSaveResult saved = SaveConfiguration(folder, options, config, StartupSession(config));
    if (!saved.ok) {
        std::cerr << "corvalin-config: " << saved.message << '\n';
        return kExitSaveFailed;
    }
    std::cout << name << " = "
              << (info != nullptr ? FormatSetting(*info, config.stored.values) : extra->show(config)) << '\n';
    return kExitValid;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments;
    std::optional<std::filesystem::path> folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--dir") {
            if (i + 1 >= argc) return Usage();
            folder = argv[++i];
        } else {
            arguments.push_back(argument);
        }
    }
    if (arguments.empty()) return Usage();
    try {
        const std::filesystem::path programFolder = folder ? *folder : ProgramFolder();
        if (arguments[0] == "show" && arguments.size() == 1) return Show(programFolder);
        if (arguments[0] == "set" && arguments.size() == 3) {
            // An installed program's folder does not exist before the reader first ran.
            std::error_code ignored;
            std::filesystem::create_directories(programFolder, ignored);
            return Set(programFolder, arguments[1], arguments[2]);
        }
    } catch (const std::exception& error) {
        std::cerr << "corvalin-config: " << error.what() << '\n';
        return kExitNotValid;
    }
    return Usage();
}
