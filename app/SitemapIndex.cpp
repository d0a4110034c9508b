// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SitemapIndex.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace tessary {

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from) {
    if (from > text.size()) {
        return std::string_view::npos;
    }
    const auto it =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), word.begin(),
                    word.end(), [](char a, char b) { return Lower(a) == Lower(b); });
    return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string DecodeEntities(std::string_view text) {
    static constexpr std::pair<std::string_view, char> Entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [entity, c] : Entities) {
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

// The value of attribute `name` inside one tag's text (between '<' and '>').
std::optional<std::string> Attribute(std::string_view tag, std::string_view name) {
    std::size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && (std::isspace(static_cast<unsigned char>(tag[i])) != 0)) {
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < tag.size() && tag[i] != '=' &&
               std::isspace(static_cast<unsigned char>(tag[i])) == 0) {
            ++i;
        }
        const std::string_view attribute = tag.substr(nameStart, i - nameStart);
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) != 0) {
            ++i;
        }
        if (i >= tag.size() || tag[i] != '=') {
            if (i == nameStart) {
                ++i;
            }
            continue;
        }
        ++i;
        while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) != 0) {
            ++i;
        }
        std::string_view value;
        if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
            const char quote = tag[i++];
            const std::size_t end = std::min(tag.find(quote, i), tag.size());
            value = tag.substr(i, end - i);
            i = end + 1;
        } else {
            const std::size_t start = i;
            while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i])) == 0) {
                ++i;
            }
            value = tag.substr(start, i - start);
        }
        if (EqualNoCase(attribute, name)) {
            return DecodeEntities(value);
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> SitemapIndex::FindTopic(std::string_view sitemap,
                                                   std::string_view keyword) {
    // An entry ends at its closing tag or at the next entry, whichever comes first. Each
    // search runs forward only, so a damaged index costs time in proportion to its size.
    std::size_t close = 0;
    std::size_t at = FindNoCase(sitemap, "<object", 0);
    while (at != std::string_view::npos) {
        const std::size_t next = FindNoCase(sitemap, "<object", at + 7);
        if (close != std::string_view::npos && close <= at) {
            close = FindNoCase(sitemap, "</object", at);
        }
        const std::string_view entry =
            sitemap.substr(at, std::min({close, next, sitemap.size()}) - at);
        at = next;
        std::optional<std::string> name;
        std::optional<std::string> local;
        std::size_t p = 0;
        while ((p = FindNoCase(entry, "<param", p)) != std::string_view::npos) {
            const std::size_t end = std::min(entry.find('>', p), entry.size());
            const std::string_view tag = entry.substr(p + 6, end - p - 6);
            p = end;
            const auto paramName = Attribute(tag, "name");
            const auto paramValue = Attribute(tag, "value");
            if (!paramName || !paramValue) {
                continue;
            }
            if (EqualNoCase(*paramName, "Name") && !name) {
                name = paramValue;
            } else if (EqualNoCase(*paramName, "Local") && !local) {
                local = paramValue;
            }
        }
        if (name && local && !local->empty() && *name == keyword) {
            return local;
        }
    }
    return std::nullopt;
}

} // namespace tessary
