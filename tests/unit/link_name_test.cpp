#include "runtime/link_name.h"

#include <gtest/gtest.h>

TEST(LinkName, CommandsDropTheSigilsAndLowerTheName) {
  EXPECT_EQ(vx::linkName("$SystemProperty$property"), "_fsystemproperty");
  EXPECT_EQ(vx::linkName("%MilliSecs"), "_fmillisecs");
  EXPECT_EQ(vx::linkName("End"), "_fend");
  EXPECT_EQ(vx::linkName("%LoadMesh$file%parent=0"), "_floadmesh");
  EXPECT_EQ(vx::linkName("AppTitle$title$close_prompt=\"\""), "_fapptitle");
  EXPECT_EQ(vx::linkName("#Log10#float"), "_flog10");
}

TEST(LinkName, InternalSymbolsKeepTheirCase) {
  EXPECT_EQ(vx::linkName("_vxObjEachFirst"), "__vxObjEachFirst");
  EXPECT_NE(vx::linkName("_vxObjEachFirst"), "__vxobjeachfirst");
}
