// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/OutputFile.h"

#include <string>
#include <string_view>

namespace tessary {

// Rows of comma-separated fields ending in CR LF. A text field that holds a comma, a double
// quote, CR or LF, or starts or ends with a space, is put in double quotes with its quotes
// doubled.
class CsvWriter {
public:
    explicit CsvWriter(OutputFile& out) : out_(out) {}

    void Text(std::string_view text);
    void Number(std::string_view digits); // written as it is
    void Empty();
    void EndRow();

private:
    void Separate();

    OutputFile& out_;
    std::string row_;
    bool rowStarted_ = false;
};

} // namespace tessary
