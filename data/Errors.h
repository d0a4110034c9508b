// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

// The kinds of error that an operation does not handle itself. They end the current event
// handler and reach the general error report, which shows their message.
namespace tessary {

class TessaryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that does not convert to the number or date it should hold.
class ConversionError : public TessaryError {
public:
    using TessaryError::TessaryError;
};

// A file that cannot be opened, read or written, or is shorter than it claims.
class InOutError : public TessaryError {
public:
    using TessaryError::TessaryError;
};

// A value outside the range its use allows (an index, a size, a rounding result).
class RangeError : public TessaryError {
public:
    using TessaryError::TessaryError;
};

} // namespace tessary
