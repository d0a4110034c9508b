// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ChmSystemFile.h"
#include "app/HelpLibrary.h"
#include "app/SitemapIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

using namespace tessary;

namespace {

std::string Record(std::uint16_t code, std::string_view data) {
    std::string out;
    out += static_cast<char>(code & 0xFF);
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(data.size() & 0xFF);
    out += static_cast<char>(data.size() >> 8);
    out += data;
    return out;
}

std::string System(std::string_view records) {
    return std::string("\x03\x00\x00\x00", 4) + std::string(records);
}

std::string Entry(std::string_view name, std::string_view local) {
    return "<LI><OBJECT type=\"text/sitemap\">\n<param name=\"Name\" value=\"" + std::string(name) +
           "\">\n<param name=\"Local\" value=\"" + std::string(local) + "\">\n</OBJECT>\n";
}

} // namespace

TEST(ExpandSystemRoot, ReplacesThePrefixInAnyCase) {
    const std::string value = "\\System32\\hhctrl.ocx";
    for (const std::string prefix :
         {"%SystemRoot%", "%SYSTEMROOT%", "%systemroot%", "%sYsTeMrOoT%"}) {
        EXPECT_EQ(HelpLibrary::ExpandSystemRoot(prefix + value, "C:\\WINDOWS"),
                  "C:\\WINDOWS\\System32\\hhctrl.ocx")
            << prefix;
    }
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("%SystemRoot%\\x", "C:\\WINDOWS\\"), "C:\\WINDOWS\\x");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("%SystemRoot%", "C:\\WINDOWS"), "C:\\WINDOWS");
}

TEST(ExpandSystemRoot, LeavesOtherPathsAlone) {
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("", "C:\\WINDOWS"), "");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("%SystemRoot", "C:\\WINDOWS"), "%SystemRoot");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("%SystemRoo%", "C:\\WINDOWS"), "%SystemRoo%");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("C:\\%SystemRoot%\\hhctrl.ocx", "C:\\WINDOWS"),
              "C:\\%SystemRoot%\\hhctrl.ocx");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot(" %SystemRoot%\\hhctrl.ocx", "C:\\WINDOWS"),
              " %SystemRoot%\\hhctrl.ocx");
    EXPECT_EQ(HelpLibrary::ExpandSystemRoot("%SystemDrive%\\hhctrl.ocx", "C:\\WINDOWS"),
              "%SystemDrive%\\hhctrl.ocx");
}

TEST(HelpLibraryLoader, LoadsTheLibraryOnceAndFreesIt) {
    HelpLibrary library;
    EXPECT_FALSE(library.Available());
    const std::string located = library.LocateHelpLibrary();
    ASSERT_FALSE(located.empty());
    EXPECT_TRUE(std::filesystem::is_regular_file(located));
    EXPECT_EQ(std::filesystem::path(located).filename(), HelpLibrary::LibraryName);

    library.LoadHelpLibrary();
    EXPECT_TRUE(library.Available());
    library.LoadHelpLibrary();
    EXPECT_TRUE(library.Available());
    library.UnloadHelpLibrary();
    EXPECT_FALSE(library.Available());
    library.UnloadHelpLibrary();
    EXPECT_FALSE(library.Available());
}

TEST(ChmSystemFile, TakesTheNamedRecordsAndSkipsOthers) {
    const auto info = ChmSystemFile::Parse(
        System(Record(10, std::string(4, '\0')) + Record(0, std::string("a.hhc\0", 6)) +
               Record(1, std::string("a.hhk\0", 6)) + Record(2, std::string("start.html\0", 11)) +
               Record(3, std::string("Tessary \xE3\x83\x98\0", 12)) + Record(5, "main")));
    EXPECT_EQ(info.ContentsFile, "a.hhc");
    EXPECT_EQ(info.IndexFile, "a.hhk");
    EXPECT_EQ(info.DefaultTopic, "start.html");
    EXPECT_EQ(info.Title, "Tessary \xE3\x83\x98");
}

TEST(ChmSystemFile, DamagedBytesGiveWhatIsWhole) {
    EXPECT_TRUE(ChmSystemFile::Parse("").DefaultTopic.empty());
    EXPECT_TRUE(ChmSystemFile::Parse(std::string("\x03\x00", 2)).DefaultTopic.empty());
    // A record that claims more bytes than follow ends the reading.
    std::string cut = System(Record(2, "index.html") + Record(1, "x.hhk"));
    cut.resize(cut.size() - 2);
    const auto info = ChmSystemFile::Parse(cut);
    EXPECT_EQ(info.DefaultTopic, "index.html");
    EXPECT_TRUE(info.IndexFile.empty());
    // No terminating zero: the record's length ends the text.
    EXPECT_EQ(ChmSystemFile::Parse(System(Record(2, "a.html"))).DefaultTopic, "a.html");
    EXPECT_EQ(ChmSystemFile::Parse(System(Record(2, ""))).DefaultTopic, "");
}

TEST(SitemapIndex, FindsTheTopicOfAKeyword) {
    const std::string index = "<HTML><BODY><UL>\n" + Entry("SDF", "sdf.html") +
                              Entry("AD変換データ", "channels.html") +
                              Entry("AD変換データ", "other.html") + "</UL></BODY></HTML>";
    EXPECT_EQ(SitemapIndex::FindTopic(index, "AD変換データ"), "channels.html");
    EXPECT_EQ(SitemapIndex::FindTopic(index, "SDF"), "sdf.html");
    EXPECT_EQ(SitemapIndex::FindTopic(index, "sdf"), std::nullopt);
    EXPECT_EQ(SitemapIndex::FindTopic(index, "AD変換"), std::nullopt);
}

TEST(SitemapIndex, ReadsTheMarkupLoosely) {
    EXPECT_EQ(SitemapIndex::FindTopic("<object type=text/sitemap><PARAM NAME='name' "
                                      "VALUE='A &amp; B'><param value=\"x.html\" "
                                      "name=\"LOCAL\"></object>",
                                      "A & B"),
              "x.html");
    // An entry without a topic is passed over; so is one without a name.
    EXPECT_EQ(SitemapIndex::FindTopic("<OBJECT><param name=\"Name\" value=\"K\"></OBJECT>"
                                      "<OBJECT><param name=\"Local\" value=\"n.html\"></OBJECT>"
                                      "<OBJECT><param name=\"Name\" value=\"K\">"
                                      "<param name=\"Local\" value=\"k.html\"></OBJECT>",
                                      "K"),
              "k.html");
}

TEST(SitemapIndex, MalformedTextFindsNothingAndEnds) {
    for (const std::string& text : std::vector<std::string>{
             "", "<object", "<object><param", "<object><param name=", "<object><param name=\"Name",
             "<object><param name=\"Name\" value=\"K\"><param name=\"Local\" value=",
             "<OBJECT<OBJECT<param =\"\" = = >", std::string("\0<object>\0<param\0", 17)}) {
        EXPECT_EQ(SitemapIndex::FindTopic(text, "K"), std::nullopt) << text;
    }
    // An entry cut off at the end still counts when both values are whole.
    EXPECT_EQ(SitemapIndex::FindTopic("<object><param name=\"Name\" value=\"K\">"
                                      "<param name=\"Local\" value=\"k.html\">",
                                      "K"),
              "k.html");
}
