// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/CsvWriter.h"

namespace tessary {

void CsvWriter::Separate() {
    if (rowStarted_) {
        row_ += ',';
    }
    rowStarted_ = true;
}

void CsvWriter::Text(std::string_view text) {
    Separate();
    const bool quote = text.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' '));
    if (!quote) {
        row_ += text;
        return;
    }
    row_ += '"';
    for (const char c : text) {
        if (c == '"') {
            row_ += '"';
        }
        row_ += c;
    }
    row_ += '"';
}

void CsvWriter::Number(std::string_view digits) {
    Separate();
    row_ += digits;
}

void CsvWriter::Empty() {
    Separate();
}

void CsvWriter::EndRow() {
    row_ += "\r\n";
    out_.Write(row_);
    row_.clear();
    rowStarted_ = false;
}

} // namespace tessary
