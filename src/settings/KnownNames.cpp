#include "settings/KnownNames.h"

#include <string>

#include "base/ByteReader.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr uint32_t kKindBytes = 4;

}  // namespace

std::vector<KnownName> ReadKnownNames(VEMOpt& subtree) {
    std::vector<KnownName> names;
    for (VEMOpt* child = subtree.First(); child != nullptr; child = subtree.Next(child)) {
        // The kind, then the name's UTF-16 units; a value too short for the kind is skipped.
        ByteReader value(child->ValueData(), child->ValueLength());
        KnownName entry;
        entry.kind = value.I32LE();
        if (!value.Ok()) continue;
        entry.name.reserve(value.Remaining() / 2);
        while (value.CanRead(2)) entry.name += char16_t(value.U16LE());
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
