// corvalin-library [--dir PROGRAM_FOLDER]
//
// Rebuilds the library of the program folder as the library window's first showing does:
// every Books/*.book is scanned (stores in the earlier encoding upgraded, stores whose digest
// alone is wrong repaired), authors and titles are derived and written into the books, and the
// files are renamed after them. Then prints the tree, one node a line, each level indented by
// two more spaces: the groups as the window shows them ("Author: NAME", "Author: Unknown",
// "Not Text Files"), the books as their title, a tab and their file name.
//
// The names the derivation learned are kept in the folder's Global.cfg, as the reader keeps
// them; a Global.cfg that cannot be used is left alone. Exit 0, or 2 for a usage error.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/Utf.h"
#include "lang/Languages.h"
#include "library/Library.h"
#include "platform/ProgramFolder.h"
#include "settings/Configuration.h"
#include "settings/VEMOptions.h"

namespace {

using namespace corvalin;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int Usage() {
    std::cerr << "usage: corvalin-library [--dir PROGRAM_FOLDER]\n";
    return kExitUsage;
}

std::string GroupCaption(const LanguageDispatcher& languages, const LibraryGroup& group) {
    const std::string author = languages.GetText("AA_Main", "Author");
    switch (group.kind) {
        case LibraryGroup::Kind::Author:
            return author + Utf16ToUtf8(group.author);
        case LibraryGroup::Kind::Unknown:
            return author + languages.GetText("AA_Main", "Unknown");
        case LibraryGroup::Kind::NotText:
            break;
    }
    return languages.GetText("AA_Main", "Special");
}

// Names and kinds; the processed marks are a derivation's bookkeeping.
bool SameNames(const std::vector<KnownName>& a, const std::vector<KnownName>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const KnownName& x, const KnownName& y) {
        return x.kind == y.kind && x.name == y.name;
    });
}

int Rebuild(const std::filesystem::path& folder) {
    Configuration config;
    LoadContext context;
    context.languageCount = int32_t(kLanguageListEntries.size());
    const ConfigLoadResult loaded = LoadConfiguration(folder, config, context);
    const bool keepNames = (loaded.Valid() || loaded.status == ConfigStatus::Missing) && loaded.writable;
    if (!loaded.Valid() && loaded.status != ConfigStatus::Missing)
        std::cerr << "corvalin-library: " << kConfigurationFileName << ": " << loaded.message
                  << "; the names learned now are not kept\n";
    const std::vector<KnownName> namesBefore = config.knownNames;

    std::string tree;
    {
        Library library(folder, config.knownNames);
        library.Load(library.PrepareFirstShowing());
        library.Rebuild();
        // The printed file names are the ones the books have from now on.
        const LanguageDispatcher languages;
        for (const LibraryGroup& group : library.Groups()) {
            tree += GroupCaption(languages, group) + '\n';
            for (const VEMBrowseFile* book : group.books)
                tree += "  " + Utf16ToUtf8(book->title) + '\t' + book->path.filename().string() + '\n';
        }
    }
    std::cout << tree << std::flush;

    if (keepNames && !SameNames(config.knownNames, namesBefore)) {
        VEMOptions options;
        options.ApplyStoredSettings(config.stored, nullptr, true);
        const ConfigSaveResult saved = SaveConfiguration(folder, options, config, StartupSession(config));
        if (!saved.ok) {
            std::cerr << "corvalin-library: " << saved.message << '\n';
            return kExitFailed;
        }
    }
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::filesystem::path> folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--dir" && i + 1 < argc && !folder) {
            folder = argv[++i];
        } else {
            return Usage();
        }
    }
    try {
        return Rebuild(folder ? *folder : ProgramFolder());
    } catch (const std::exception& error) {
        std::cerr << "corvalin-library: " << error.what() << '\n';
        return kExitFailed;
    }
}
