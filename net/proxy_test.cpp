#include "net/proxy.h"

#include <gtest/gtest.h>

namespace net {
namespace {

using Route = ProxyChoice::Route;

TEST(ProxySetting, DirectAndTheSystemsSetting) {
    for (const char* v : {"direct", "DIRECT", "  Direct  "}) {
        const ProxyChoice c = ParseProxySetting(v);
        EXPECT_EQ(c.route, Route::Direct) << v;
        EXPECT_FALSE(c.unreadable) << v;
    }
    for (const char* v : {"", "   "}) {
        const ProxyChoice c = ParseProxySetting(v);
        EXPECT_EQ(c.route, Route::System) << "[" << v << "]";
        EXPECT_FALSE(c.unreadable) << "[" << v << "]";
    }
}

TEST(ProxySetting, HostAndPort) {
    struct Case {
        const char* value;
        const char* server;
    } cases[] = {
        {"proxy.example:8080", "proxy.example:8080"},
        {" http://10.0.0.1:3128/ ", "10.0.0.1:3128"},
        {"HTTP://my_proxy-1:1", "my_proxy-1:1"},
        {"p:65535", "p:65535"},
    };
    for (const Case& c : cases) {
        const ProxyChoice choice = ParseProxySetting(c.value);
        EXPECT_EQ(choice.route, Route::Named) << c.value;
        EXPECT_EQ(choice.server, c.server) << c.value;
        EXPECT_FALSE(choice.unreadable) << c.value;
    }
}

TEST(ProxySetting, AnythingElseFallsBackToTheSystemAndSaysSo) {
    for (const char* v :
         {"proxy.example", ":8080", "proxy:", "proxy:0", "proxy:65536", "proxy:80a", "proxy:+80",
          "https://proxy:443", "user@proxy:80", "proxy:80/path", "pro xy:80", "[::1]:80",
          "proxy:80//", "direct proxy", "socks=proxy:1080", "proxy:123456", "pr\xE9xy:80"}) {
        const ProxyChoice c = ParseProxySetting(v);
        EXPECT_EQ(c.route, Route::System) << v;
        EXPECT_TRUE(c.unreadable) << v;
        EXPECT_TRUE(c.server.empty()) << v;
    }
}

TEST(ProxySetting, TheLogSaysWhenTheSettingWasNotUnderstood) {
    EXPECT_EQ(DescribeProxy(ParseProxySetting("direct"), "direct"), "direct");
    EXPECT_EQ(DescribeProxy(ParseProxySetting("p:1"), "p:1"), "p:1");
    EXPECT_EQ(DescribeProxy(ParseProxySetting(""), "sys:3128"), "sys:3128");
    EXPECT_EQ(DescribeProxy(ParseProxySetting("nonsense"), "sys:3128"),
              "sys:3128 (Proxy setting not understood)");
    EXPECT_EQ(DescribeProxy(ParseProxySetting("nonsense"), ""), "");
}

}  // namespace
}  // namespace net
