#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "settings/KnownNames.h"

namespace corvalin {

// Kinds of known names.
constexpr int32_t kRejectedTitle = 0;
constexpr int32_t kRejectedAuthor = 1;
constexpr int32_t kDerivedAuthor = 2;
constexpr int32_t kConfirmedAuthor = 3;

// The names the library has learned, kept in Global.cfg: the list is the configuration's own
// (`Configuration::knownNames`), and every change goes through here so that the lookups the
// derivation makes thousands of times stay in step with it.
//
// Adding a name first removes every entry with exactly that name, then inserts it before the
// first entry whose kind is not greater: the list stays ordered by kind, highest first, newest
// first within a kind. A list read from a damaged file may hold other kinds or duplicates;
// they are kept as they are and simply never match.
class VEMAuthor {
public:
    explicit VEMAuthor(std::vector<KnownName>& names);
    VEMAuthor(const VEMAuthor&) = delete;
    VEMAuthor& operator=(const VEMAuthor&) = delete;

    const std::vector<KnownName>& Names() const { return names_; }

    void Add(std::u16string_view name, int32_t kind);
    // Removes every entry with exactly this name.
    void Remove(std::u16string_view name);

    // Some entry of `kind` is exactly `name`.
    bool HasExactly(std::u16string_view name, int32_t kind) const;
    // Some entry of `kind` is the same text as `name` (ignoring letter case).
    bool HasSameText(std::u16string_view name, int32_t kind) const;

    void ClearProcessed();
    // The first entry of kind 2 or 3 not yet processed, marked processed; false when none is
    // left. The list may change between calls.
    bool TakeNextAuthor(std::u16string& name);

private:
    void Index(const KnownName& entry, int delta);
    static bool Indexed(int32_t kind) { return kind >= kRejectedTitle && kind <= kConfirmedAuthor; }

    std::vector<KnownName>& names_;
    // Entries per kind by exact name and by folded name (counts, as a damaged list may repeat).
    std::array<std::unordered_map<std::u16string, int>, 4> exact_;
    std::array<std::unordered_map<std::u16string, int>, 4> folded_;
    // Entries before this one are processed (or not authors); any insertion resets it.
    size_t scanFrom_ = 0;
};

}  // namespace corvalin
