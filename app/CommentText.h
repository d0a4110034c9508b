// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// A comment (UTF-8, line breaks CR LF) stored as one value of a parameter file. A comment of
// one line is stored exactly as typed, backslashes and all, so that files of other writers
// (Windows paths such as "C:\new") read back as they were stored. A comment of several lines
// is stored as SeveralLinesMark followed by the comment with each backslash doubled and each
// line break written "\n".
namespace tessary {

// A byte that neither CP932 nor UTF-8 text holds, so no comment of one line begins with it.
inline constexpr char SeveralLinesMark = '\xFF';

std::string EncodeComment(std::string_view comment);
// Undoes EncodeComment; a stored comment without the mark is taken as it stands. After the
// mark, a backslash that begins neither "\\" nor "\n" is kept.
std::string DecodeComment(std::string_view stored);

// The comment with every line break (CR LF, a lone CR, a lone LF) written CR LF, as the
// comment control holds them; a TSD header joins its memo lines with a lone CR.
std::string WithCrLfLineBreaks(std::string_view comment);

} // namespace tessary
