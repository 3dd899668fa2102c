#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvalin {

class VEMOpt;

// One name the library has learned: kinds 3 confirmed author, 2 derived author, 1 rejected
// author, 0 rejected title. `processed` is bookkeeping of a derivation run and is not stored.
struct KnownName {
    int32_t kind = 0;
    std::u16string name;
    bool processed = false;
    bool operator==(const KnownName&) const = default;
};

// The known-names subtree of Global.cfg: child i (i = 0, 1, ... in list order) has the value
//
//   +0  kind, int32 little-endian
//   +4  name, UTF-16LE units, no terminator
//
// Reading appends one entry per child of at least 4 bytes, in key order; a trailing odd byte
// is dropped.
std::vector<KnownName> ReadKnownNames(VEMOpt& subtree);
void WriteKnownNames(VEMOpt& subtree, const std::vector<KnownName>& names);

}  // namespace corvalin
