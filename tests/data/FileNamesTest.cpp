// SPDX-License-Identifier: GPL-3.0-or-later
#include "data/FileNames.h"

#include <gtest/gtest.h>

using namespace tessary;

TEST(FileNames, ExtensionsAreReplacedFromTheLastDotOfTheName) {
    EXPECT_EQ(ReplaceExtension("/data/run.sdf", ".tsd"), "/data/run.tsd");
    EXPECT_EQ(ReplaceExtension("/data/run", ".tsd"), "/data/run.tsd");
    EXPECT_EQ(ReplaceExtension("setup.txt", ".apm"), "setup.apm");
    EXPECT_EQ(ReplaceExtension("a.b.c", ".apm"), "a.b.apm");
    EXPECT_EQ(ReplaceExtension("/my.dir/run", ".sdf"), "/my.dir/run.sdf");
    EXPECT_EQ(ReplaceExtension("C:\\my.dir\\run", ".sdf"), "C:\\my.dir\\run.sdf");
    EXPECT_EQ(ReplaceExtension("/data/ADdata.tsd", ".$$$"), "/data/ADdata.$$$");
}

TEST(FileNames, UpperExtensionAndParts) {
    EXPECT_EQ(UpperExtension("DATA.SDF"), ".SDF");
    EXPECT_EQ(UpperExtension("/x/data.sdf"), ".SDF");
    EXPECT_EQ(UpperExtension("/x.y/data"), "");
    EXPECT_EQ(FolderPart("/x/y/data.sdf"), "/x/y/");
    EXPECT_EQ(FolderPart("data.sdf"), "");
    EXPECT_EQ(FolderPart("/data.sdf"), "/");
    EXPECT_EQ(NamePart("/x/y/data.sdf"), "data.sdf");
}
