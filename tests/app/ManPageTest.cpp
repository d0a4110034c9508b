// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ManPage.h"
#include "app/ProgramArguments.h"

#include <gtest/gtest.h>

using namespace tessary;
using namespace tessary::testing;

namespace {

const std::string Page = TESSARY_SOURCE_DIR "/man/tessary.1";

TEST(WindowManPage, DescribesEveryOptionAndExitStatusThatHelpPrints) {
    const std::string help = ProgramArguments::HelpText();
    const std::string text = ManText(Page);
    const std::set<std::string> options = OptionsIn(help);
    EXPECT_GE(options.size(), 4u);
    for (const std::string& option : options) {
        EXPECT_TRUE(Mentions(text, option)) << option;
    }
    const std::set<std::string> statuses = ExitStatuses(help);
    EXPECT_FALSE(statuses.empty());
    for (const std::string& status : statuses) {
        EXPECT_NE(text.find("\n.B " + status + "\n"), std::string::npos) << status;
    }
    EXPECT_EQ(GroffWarnings(Page), "");
}

} // namespace
