// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessary {

// A keyword index (.hhk) in the sitemap layout: entries <OBJECT type="text/sitemap"> with
// <param name="Name" value="keyword"> and <param name="Local" value="topic.html">.
class SitemapIndex {
public:
    // The topic of the first entry with a topic whose name is exactly `keyword` (UTF-8 on both
    // sides); tags and attribute names are matched without regard to case, and the entities &amp;
    // &lt; &gt; &quot; &#39; in values are decoded. Never fails on malformed text.
    static std::optional<std::string> FindTopic(std::string_view sitemap, std::string_view keyword);
};

} // namespace tessary
