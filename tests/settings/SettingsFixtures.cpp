#include "settings/SettingsFixtures.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "store/RecordIO.h"

namespace corvalin::test {
namespace {

void Put16(std::string& out, uint32_t value) {
    out.push_back(char(value & 0xFF));
    out.push_back(char((value >> 8) & 0xFF));
}

void PutLegacyBody(std::string& out, VEMOpt& record) {
    Put16(out, record.ValueLength());
    out.append(reinterpret_cast<const char*>(record.ValueData()), record.ValueLength());
    for (VEMOpt* child = record.First(); child != nullptr; child = record.Next(child)) {
        Put16(out, child->Key());
        PutLegacyBody(out, *child);
    }
    Put16(out, 0xFFFF);
}

}  // namespace

std::string SealedStore(VEMOpt& root, const DigestSeed& seed) {
    StringRecordWriter writer;
    root.Write(writer.writer());
    std::string bytes = writer.bytes();
    const auto digest = ComputeDigest(seed, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    bytes.append(digest.begin(), digest.end());
    return bytes;
}

std::string LegacyStore(VEMOpt& root) {
    std::string bytes;
    Put16(bytes, 0);  // the root's key
    PutLegacyBody(bytes, root);
    return bytes;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

HandlerLog::HandlerLog(VEMOptions& options) {
    options.OnStateChanged = [this] { calls += 'S'; };
    options.OnProportionalChanged = [this] { calls += 'P'; };
    options.OnFixedChanged = [this] { calls += 'F'; };
    options.OnViewChanged = [this] { calls += 'V'; };
    options.OnSpeedChanged = [this] { calls += 'G'; };
}

}  // namespace corvalin::test
