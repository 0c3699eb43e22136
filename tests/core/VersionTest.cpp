#include "core/vdVersion.h"
#include <gtest/gtest.h>
TEST(Version, Text) { EXPECT_STREQ(vd::versionText(), "0.1"); }
