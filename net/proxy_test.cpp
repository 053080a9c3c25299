#include "net/proxy.h"

#include <gtest/gtest.h>

namespace net {
namespace {

TEST(ProxySetting, TheLogSaysWhenTheSettingWasNotUnderstood) {
    ProxyChoice understood;
    ProxyChoice notUnderstood;
    notUnderstood.unreadable = true;
    EXPECT_EQ(DescribeProxy(understood, "direct"), "direct");
    EXPECT_EQ(DescribeProxy(understood, "sys:3128"), "sys:3128");
    EXPECT_EQ(DescribeProxy(notUnderstood, "sys:3128"), "sys:3128 (Proxy setting not understood)");
    EXPECT_EQ(DescribeProxy(notUnderstood, ""), "");
}

}  // namespace
}  // namespace net
