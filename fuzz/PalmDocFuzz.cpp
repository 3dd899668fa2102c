// Decodes arbitrary bytes as a PalmDoc database and checks the text's bounds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/PalmDoc.h"

using namespace corvalin;

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 512 * 1024) return 0;
    std::string text;
    const Verdict verdict = DecodePalmDoc({data, size}, text);
    if (!verdict.Ok()) {
        Require(verdict.message.rfind("PalmDoc: ", 0) == 0);
        return 0;
    }
    // A byte of the scheme gives at most five of text; line ends are folded to line feeds.
    Require(text.size() <= 5 * size);
    Require(text.size() <= kMaxPalmDocTextBytes);
    Require(text.find('\r') == std::string::npos);
    return 0;
}
