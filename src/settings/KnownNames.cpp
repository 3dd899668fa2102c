#include "settings/KnownNames.h"

#include <string>

#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr uint32_t kKindBytes = 4;

}  // namespace

std::vector<KnownName> ReadKnownNames(VEMOpt& subtree) {
    std::vector<KnownName> names;
    for (VEMOpt* child = subtree.First(); child != nullptr; child = subtree.Next(child)) {
        const uint32_t length = child->ValueLength();
        if (length < kKindBytes) continue;
        const uint8_t* value = child->ValueData();
        KnownName entry;
        entry.kind = int32_t(uint32_t(value[0]) | uint32_t(value[1]) << 8 | uint32_t(value[2]) << 16 |
                             uint32_t(value[3]) << 24);
        const uint32_t units = (length - kKindBytes) / 2;
        entry.name.resize(units);
        for (uint32_t i = 0; i < units; ++i) {
            const uint8_t* unit = value + kKindBytes + 2 * i;
            entry.name[i] = char16_t(unit[0] | unit[1] << 8);
        }
        names.push_back(std::move(entry));
    }
    return names;
}

void WriteKnownNames(VEMOpt& subtree, const std::vector<KnownName>& names) {
    uint32_t key = 0;
    for (const KnownName& entry : names) {
        std::string value;
        value.reserve(kKindBytes + 2 * entry.name.size());
        const auto kind = uint32_t(entry.kind);
        for (uint32_t i = 0; i < kKindBytes; ++i) value.push_back(char(kind >> (8 * i)));
        for (char16_t unit : entry.name) {
            value.push_back(char(unit & 0xFF));
            value.push_back(char(unit >> 8));
        }
        subtree.SetString(key++, value);
    }
}

}  // namespace corvalin
