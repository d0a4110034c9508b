// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Keeping the man pages in step with --help: the options a help text names, a man page's
// text and sections, and what groff says about the page.
#include "tests/ScratchFolder.h"

#include <cctype>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <string_view>

namespace tessary::testing {

inline bool OptionChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
}

// Every option a help text names: "--name" and "-x" (also "-platform") standing as a word,
// so that "Ctrl-C" and "ring-buffer" are not taken for options.
inline std::set<std::string> OptionsIn(std::string_view help) {
    std::set<std::string> options;
    for (std::size_t i = 0; i + 1 < help.size(); ++i) {
        const bool starts =
            help[i] == '-' &&
            (i == 0 || std::string_view(" [(|,\n").find(help[i - 1]) != std::string_view::npos);
        if (!starts) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < help.size() && OptionChar(help[end])) {
            ++end;
        }
        const std::string_view option = help.substr(i, end - i);
        const std::size_t dashes = option.starts_with("--") ? 2 : 1;
        if (option.size() > dashes && std::isalpha(static_cast<unsigned char>(option[dashes]))) {
            options.emplace(option);
        }
        i = end;
    }
    return options;
}

// The source of a man page with the escapes of hyphens and fonts taken out, so that
// "\fB\-\-output\fR" reads "--output"; request lines (".SS record ...") stay as they are.
inline std::string ManText(const std::string& path) {
    const std::string source = ReadAll(path);
    std::string text;
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\\' && i + 1 < source.size()) {
            if (source[i + 1] == '-') {
                text += '-';
                ++i;
                continue;
            }
            if (source[i + 1] == 'f' && i + 2 < source.size()) {
                i += 2;
                continue;
            }
        }
        text += source[i];
    }
    return text;
}

// The lines after ".SS <name>" (the heading's first word) up to the next heading; "" when
// the page has no such subsection.
inline std::string ManSection(const std::string& text, std::string_view name) {
    const std::string heading = "\n.SS " + std::string(name);
    std::size_t start = text.find(heading + " ");
    if (start == std::string::npos) {
        start = text.find(heading + "\n");
    }
    if (start == std::string::npos) {
        return {};
    }
    const std::size_t body = text.find('\n', start + 1);
    std::size_t end = text.size();
    for (const char* next : {"\n.SS ", "\n.SH "}) {
        end = std::min(end, text.find(next, body));
    }
    return text.substr(body, end - body);
}

// True when `option` stands in `text` as a word of its own.
inline bool Mentions(std::string_view text, std::string_view option) {
    for (std::size_t at = text.find(option); at != std::string_view::npos;
         at = text.find(option, at + 1)) {
        const bool before = at == 0 || !OptionChar(text[at - 1]);
        const std::size_t after = at + option.size();
        if (before && (after == text.size() || !OptionChar(text[after]))) {
            return true;
        }
    }
    return false;
}

// The exit statuses a text lists after "Exit status:" (up to the next blank line).
inline std::set<std::string> ExitStatuses(const std::string& text) {
    std::set<std::string> statuses;
    const std::size_t start = text.find("Exit status:");
    if (start == std::string::npos) {
        return statuses;
    }
    const std::size_t end = text.find("\n\n", start);
    const std::string paragraph = text.substr(start, end == std::string::npos ? end : end - start);
    const std::regex status(R"((?:^|[\s,:])([0-9]) )");
    for (auto it = std::sregex_iterator(paragraph.begin(), paragraph.end(), status);
         it != std::sregex_iterator(); ++it) {
        statuses.insert((*it)[1]);
    }
    return statuses;
}

// What groff warns about in a man page ("" when nothing).
inline std::string GroffWarnings(const std::string& path) {
    const std::string command = "groff -k -man -Tutf8 -ww -z '" + path + "' 2>&1";
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[512];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            output.append(buffer, n);
        }
        if (::pclose(pipe) != 0) {
            output += "(groff failed)";
        }
    } else {
        output = "(groff could not be started)";
    }
    return output;
}

} // namespace tessary::testing
