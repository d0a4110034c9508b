// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CardName.h"
#include "acquisition/sigrok/SigrokCardSettings.h"
#include "data/Errors.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

// The names the operator writes, and each read back to the same text.
TEST(CardName, ReadsTheSimulatedCardAndSigrokDriversWithTheirOptions) {
    EXPECT_EQ(CardName::Parse(" simulated ")->Type, CardName::Kind::Simulated);

    const auto demo = CardName::Parse("sigrok:demo");
    ASSERT_TRUE(demo);
    EXPECT_EQ(demo->Type, CardName::Kind::Sigrok);
    EXPECT_EQ(demo->Driver, "demo");
    EXPECT_TRUE(demo->Options.empty());

    const auto scope = CardName::Parse("sigrok:hantek-6xxx:conn=1.5:samplerate=1M");
    ASSERT_TRUE(scope);
    EXPECT_EQ(scope->Driver, "hantek-6xxx");
    const CardName::OptionList expected = {{"conn", "1.5"}, {"samplerate", "1M"}};
    EXPECT_EQ(scope->Options, expected);

    for (const char* text : {"simulated", "sigrok:demo", "sigrok:fluke-dmm:conn=/dev/ttyUSB0",
                             "sigrok:rigol-ds:conn=tcp-raw/192.168.1.5/5555"}) {
        EXPECT_EQ(CardName::Parse(text)->Text(), text);
    }
}

TEST(CardName, MalformedNamesAreRefusedWithAReason) {
    std::string why;
    for (const char* text : {"", "sigrok", "sigrok:", "Sigrok:demo", "sigrok:Demo", "usb:demo",
                             "simulated:x", "sigrok:demo:conn", "sigrok:demo:=1",
                             "sigrok:demo:conn=", "sigrok:demo::conn=1", "sigrok:demo:conn=1:"}) {
        why.clear();
        EXPECT_FALSE(CardName::Parse(text, &why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
    CardName::Parse("sigrok:demo:conn", &why);
    EXPECT_EQ(why, "option \"conn\" is not KEY=VALUE");
}

class CardSettingsFile : public ::testing::Test {
protected:
    std::string Write(std::string_view text) {
        const std::string path = folder.File("card.ini");
        WriteAll(path, text);
        return path;
    }
    ScratchFolder folder;
};

TEST_F(CardSettingsFile, AMissingFileIsTheSimulatedCardWithoutOptions) {
    const SigrokCardSettings settings = SigrokCardSettings::Load(folder.File("none.ini"));
    EXPECT_EQ(settings.Card.Type, CardName::Kind::Simulated);
    EXPECT_TRUE(settings.DeviceOptions.empty());
    EXPECT_EQ(settings.Channels[7].Divider, 1.0);
}

TEST_F(CardSettingsFile, ReadsTheCardTheOptionsAndTheDividers) {
    const SigrokCardSettings settings =
        SigrokCardSettings::Load(Write("[Card]\r\nName=sigrok:demo:analog_channels=2\r\n"
                                       "Options=averaging=off\r\n[Ch2]\r\n"
                                       "Options = pattern=sine:amplitude=2.5\r\nDivider=10\r\n"));
    EXPECT_EQ(settings.Card.Text(), "sigrok:demo:analog_channels=2");
    EXPECT_EQ(settings.DeviceOptions, (CardName::OptionList{{"averaging", "off"}}));
    EXPECT_EQ(settings.Channels[1].Options,
              (CardName::OptionList{{"pattern", "sine"}, {"amplitude", "2.5"}}));
    EXPECT_EQ(settings.Channels[1].Divider, 10.0);
    EXPECT_TRUE(settings.Channels[0].Options.empty());
}

TEST_F(CardSettingsFile, AValueThatDoesNotReadNamesTheFileSectionAndKey) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"[Card]\nName=usb\n", "[Card] Name = 'usb' is not \"simulated\" or"},
        {"[Card]\nOptions=averaging\n", "[Card] Options = 'averaging' is not KEY=VALUE"},
        {"[Ch3]\nDivider=0\n", "[Ch3] Divider = '0' is not above 0"},
        {"[Ch1]\nDivider=ten\n", "[Ch1] Divider = 'ten' is not a number"},
    };
    for (const auto& c : cases) {
        const std::string path = Write(c.text);
        try {
            SigrokCardSettings::Load(path);
            ADD_FAILURE() << c.text;
        } catch (const ConversionError& error) {
            EXPECT_NE(std::string(error.what()).find(path + ": " + c.message), std::string::npos)
                << error.what();
        }
    }
}

// Choosing a device in the window rewrites only the card's name.
TEST_F(CardSettingsFile, SavingTheCardKeepsEveryOtherLine) {
    const std::string path =
        Write("; my scope\r\n[Card]\r\nName=simulated\r\n[Ch1]\r\nDivider=2\r\n");
    SigrokCardSettings::SaveName(path, *CardName::Parse("sigrok:demo"));
    EXPECT_EQ(ReadAll(path), "; my scope\r\n[Card]\r\nName=sigrok:demo\r\n[Ch1]\r\nDivider=2\r\n");
    SigrokCardSettings::SaveName(folder.File("new.ini"), *CardName::Parse("simulated"));
    EXPECT_EQ(SigrokCardSettings::Load(folder.File("new.ini")).Card.Type,
              CardName::Kind::Simulated);
}

} // namespace
