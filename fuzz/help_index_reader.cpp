// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes taken from a help file's "/#SYSTEM" object or keyword index give a result: no
// crash, no hang, no read beyond the bytes given.
#include "app/ChmSystemFile.h"
#include "app/SitemapIndex.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tessary::ChmSystemFile info = tessary::ChmSystemFile::Parse(bytes);
    tessary::SitemapIndex::FindTopic(bytes, info.DefaultTopic);
    tessary::SitemapIndex::FindTopic(bytes, "AD変換データ");
    return 0;
}
