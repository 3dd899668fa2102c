#include "base/Verdict.h"

#include <ostream>

namespace corvalin {

const char* KindName(VerdictKind kind) {
    switch (kind) {
        case VerdictKind::Ok:
            return "Ok";
        case VerdictKind::NotThisFormat:
            return "NotThisFormat";
        case VerdictKind::Truncated:
            return "Truncated";
        case VerdictKind::Damaged:
            return "Damaged";
        case VerdictKind::Unsupported:
            return "Unsupported";
        case VerdictKind::Encrypted:
            return "Encrypted";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, VerdictKind kind) { return out << KindName(kind); }

std::ostream& operator<<(std::ostream& out, const Verdict& verdict) {
    out << KindName(verdict.kind);
    if (!verdict.field.empty()) out << ": " << verdict.field;
    if (!verdict.message.empty()) out << " (" << verdict.message << ")";
    return out;
}

}  // namespace corvalin
