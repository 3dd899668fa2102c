#pragma once

#include <stdexcept>
#include <string>

namespace corvalin {

// The one error raised by the file layer: a short seek, read or write, or a read past the end
// of the data through a cursor. It always carries code 1; whoever started the operation decides
// what the reader is told.
class FileError : public std::runtime_error {
public:
    explicit FileError(const std::string& what) : std::runtime_error(what) {}
    int code() const { return 1; }
};

// Stored records that cannot be decoded: cut short, nested too deep, a length no writer
// makes. A kind of FileError, so that an operation unwinds as the file layer's errors do,
// and told apart where the input enters, which turns it into a verdict.
class RecordStoreDamage : public FileError {
public:
    using FileError::FileError;
};

}  // namespace corvalin
