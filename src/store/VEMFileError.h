#pragma once

#include <stdexcept>
#include <string>

namespace corvalin {

// The one error raised by the file layer: a short seek, read or write, or a read past the end
// of the data through a cursor. It always carries code 1; whoever started the operation decides
// what the reader is told.
class VEMFileError : public std::runtime_error {
public:
    explicit VEMFileError(const std::string& what) : std::runtime_error(what) {}
    int code() const { return 1; }
};

}  // namespace corvalin
