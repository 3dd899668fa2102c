#pragma once

#include <iosfwd>
#include <string>
#include <utility>

namespace corvalin {

// What was found wrong with an input. Damaged input is an expected outcome, so it travels as a
// value; only a failing device (FileError) unwinds.
enum class VerdictKind {
    Ok,
    NotThisFormat,  // the signature says this is some other kind of file
    Truncated,      // the input ends inside a structure
    Damaged,        // a field is out of its range or a check value does not match
    Unsupported,    // well-formed, but a method or version this program does not read
    Encrypted,      // needs a password, or is protected against copying
};

struct Verdict {
    VerdictKind kind = VerdictKind::Ok;
    // The structure or field at fault ("local header", "record store digest").
    std::string field;
    // One line for a log or a message box; names the format and the field.
    std::string message;

    bool Ok() const { return kind == VerdictKind::Ok; }
    explicit operator bool() const { return Ok(); }

    static Verdict Good() { return {}; }
    static Verdict Bad(VerdictKind kind, std::string field, std::string message) {
        return {kind, std::move(field), std::move(message)};
    }
};

// Whether a verdict is of this kind, as tests and callers that only branch on the kind ask it.
inline bool operator==(const Verdict& verdict, VerdictKind kind) { return verdict.kind == kind; }
const char* KindName(VerdictKind kind);
// "Damaged: record store digest (book.book: ...)", for logs and test failures.
std::ostream& operator<<(std::ostream& out, const Verdict& verdict);
std::ostream& operator<<(std::ostream& out, VerdictKind kind);

}  // namespace corvalin
