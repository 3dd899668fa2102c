#include "library/VEMAuthor.h"

#include <algorithm>

#include "library/LibraryText.h"

namespace corvalin {

VEMAuthor::VEMAuthor(std::vector<KnownName>& names) : names_(names) {
    for (const KnownName& entry : names_) Index(entry, +1);
}

void VEMAuthor::Index(const KnownName& entry, int delta) {
    if (!Indexed(entry.kind)) return;
    const auto kind = size_t(entry.kind);
    for (auto* map : {&exact_[kind], &folded_[kind]}) {
        const std::u16string key = map == &exact_[kind] ? entry.name : FoldCase(entry.name);
        auto found = map->find(key);
        if (delta > 0) {
            if (found == map->end())
                map->emplace(key, delta);
            else
                found->second += delta;
        } else if (found != map->end() && (found->second += delta) <= 0) {
            map->erase(found);
        }
    }
}

void VEMAuthor::Remove(std::u16string_view name) {
    auto keep = names_.begin();
    for (auto entry = names_.begin(); entry != names_.end(); ++entry) {
        if (entry->name == name) {
            Index(*entry, -1);
            continue;
        }
        if (keep != entry) *keep = std::move(*entry);
        ++keep;
    }
    names_.erase(keep, names_.end());
    scanFrom_ = 0;
}

void VEMAuthor::Add(std::u16string_view name, int32_t kind) {
    Remove(name);
    const auto before = std::find_if(names_.begin(), names_.end(),
                                     [kind](const KnownName& entry) { return entry.kind <= kind; });
    KnownName entry{kind, std::u16string(name), false};
    Index(entry, +1);
    names_.insert(before, std::move(entry));
    scanFrom_ = 0;
}

bool VEMAuthor::HasExactly(std::u16string_view name, int32_t kind) const {
    if (!Indexed(kind)) return false;
    return exact_[size_t(kind)].contains(std::u16string(name));
}

bool VEMAuthor::HasSameText(std::u16string_view name, int32_t kind) const {
    if (!Indexed(kind)) return false;
    return folded_[size_t(kind)].contains(FoldCase(name));
}

void VEMAuthor::ClearProcessed() {
    for (KnownName& entry : names_) entry.processed = false;
    scanFrom_ = 0;
}

bool VEMAuthor::TakeNextAuthor(std::u16string& name) {
    for (; scanFrom_ < names_.size(); ++scanFrom_) {
        KnownName& entry = names_[scanFrom_];
        if (entry.processed || (entry.kind != kDerivedAuthor && entry.kind != kConfirmedAuthor)) continue;
        entry.processed = true;
        name = entry.name;
        ++scanFrom_;
        return true;
    }
    return false;
}

}  // namespace corvalin
