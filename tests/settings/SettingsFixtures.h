#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "settings/VEMOptions.h"
#include "store/VEMCrypt.h"
#include "store/VEMOpt.h"

namespace corvalin::test {

// The records followed by a digest of them: a Global.cfg as any writer would make it.
std::string SealedStore(VEMOpt& root, const DigestSeed& seed);
// The earlier 16-bit encoding of a tree (keys and value lengths must fit 16 bits).
std::string LegacyStore(VEMOpt& root);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

// Records which handlers ran, in order: "S" state, "P" proportional, "F" fixed, "V" view,
// "G" the speed gauge.
struct HandlerLog {
    std::string calls;
    explicit HandlerLog(VEMOptions& options);
    std::string Take() { return std::exchange(calls, {}); }
};

}  // namespace corvalin::test
