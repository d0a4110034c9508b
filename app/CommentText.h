#pragma once

#include <string>
#include <string_view>

// A comment (UTF-8, line breaks CR LF) stored as one value of a parameter file. A comment of
// one line is stored exactly as typed unless it holds the two-character sequence "\n" or
// "\\"; any other comment has each backslash doubled and each line break written "\n".
// Reading undoes "\\" and "\n" and keeps any other backslash as it stands, so one-line
// comments written by hand or by earlier versions (paths such as "C:\data") read back as
// they were stored.
namespace tessary {

std::string EncodeComment(std::string_view comment);
std::string DecodeComment(std::string_view stored);

// The comment with every line break (CR LF, a lone CR, a lone LF) written CR LF, as the
// comment control holds them; a TSD header joins its memo lines with a lone CR.
std::string WithCrLfLineBreaks(std::string_view comment);

} // namespace tessary
