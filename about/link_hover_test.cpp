#include "about/link_hover.h"

#include <gtest/gtest.h>

namespace about {

TEST(LinkHover, BackgroundResetsBothLinks) {
    LinkColours c;
    c = OnPointerOver(c, HoverTarget::SendEmail);
    EXPECT_TRUE(c.sendEmailRed);
    EXPECT_FALSE(c.clickHereRed);
    c = OnPointerOver(c, HoverTarget::Background);
    EXPECT_FALSE(c.sendEmailRed);
    EXPECT_FALSE(c.clickHereRed);
    c = OnPointerOver(c, HoverTarget::ClickHere);
    EXPECT_FALSE(c.sendEmailRed);
    EXPECT_TRUE(c.clickHereRed);
}

TEST(LinkHover, OtherLabelsAndTheOtherLinkKeepARedLink) {
    LinkColours c = OnPointerOver(LinkColours{}, HoverTarget::SendEmail);
    c = OnPointerOver(c, HoverTarget::OtherLabel);
    EXPECT_TRUE(c.sendEmailRed);
    EXPECT_FALSE(c.clickHereRed);
    c = OnPointerOver(c, HoverTarget::ClickHere);
    EXPECT_TRUE(c.sendEmailRed);
    EXPECT_TRUE(c.clickHereRed);
}

}  // namespace about
