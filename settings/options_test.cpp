#include "settings/options.h"

#include <gtest/gtest.h>

#include <utility>

#include "settings/scramble.h"

namespace settings {
namespace {

// What a run reads of each key, as the look-up used it before the keys were read together.
TEST(Options, EachKeyAsTheLookUpReadsIt) {
    OptionTexts texts;
    texts.userName = "K1TEST";
    texts.password = EncodeText("secret");
    texts.lookupUrl = " http://127.0.0.1:8080/ ";
    texts.proxy = "Direct";
    texts.keepAnswers = " 7";
    texts.baseCallFallback = "0";
    texts.log = " 1 ";
    const Options options = ParseOptions(texts);
    EXPECT_EQ(options.account.userName, "K1TEST");
    EXPECT_EQ(options.account.password, "secret");
    EXPECT_EQ(options.lookupBase, "http://127.0.0.1:8080");
    EXPECT_EQ(options.updateBase, "http://updates.quendix.example");
    EXPECT_EQ(options.proxy.route, common::ProxyChoice::Route::Direct);
    EXPECT_EQ(options.keepDays, 7);
    EXPECT_FALSE(options.baseCallFallback);
    EXPECT_TRUE(options.log);

    // A file of the defaults, or none at all.
    OptionTexts defaults;
    defaults.userName = kNotSet;
    defaults.password = kNotSet;
    defaults.proxy = "";
    const Options plain = ParseOptions(defaults);
    EXPECT_EQ(plain.account.userName, kNotSet);
    EXPECT_EQ(plain.account.password, kNotSet) << "the placeholder is never unscrambled";
    EXPECT_EQ(plain.lookupBase, "http://callbook.quendix.example");
    EXPECT_EQ(plain.proxy.route, common::ProxyChoice::Route::System);
    EXPECT_FALSE(plain.proxy.unreadable);
    EXPECT_EQ(plain.keepDays, 30);
    EXPECT_TRUE(plain.baseCallFallback);
    EXPECT_FALSE(plain.log);
    EXPECT_EQ(ParseOptions(OptionTexts()).account.password, "") << "no file: empty, not Not Set";
}

TEST(NormalizeBaseUrl, TrimsDropsOneSlashAndFallsBack) {
    const std::string def = kDefaultLookupBase;
    EXPECT_EQ(NormalizeBaseUrl("http://a.example/", def).url, "http://a.example");
    EXPECT_EQ(NormalizeBaseUrl("http://a.example//", def).url, "http://a.example/");
    EXPECT_EQ(NormalizeBaseUrl("  http://a.example:8080/lookup/  ", def).url,
              "http://a.example:8080/lookup");
    EXPECT_EQ(NormalizeBaseUrl("http://a.example", def).url, "http://a.example");
    EXPECT_EQ(NormalizeBaseUrl("", def).url, def);
    EXPECT_EQ(NormalizeBaseUrl("   ", def).url, def);
    EXPECT_EQ(NormalizeBaseUrl("/", def).url, def);
    EXPECT_EQ(NormalizeBaseUrl("", "http://d.example/").url, "http://d.example");
    for (const char* value : {"http://a.example", "", "/"}) {
        EXPECT_FALSE(NormalizeBaseUrl(value, def).schemeAdded) << value;
    }
}

// A value without a scheme is taken as "http://" followed by it, after the trim and the slash;
// a value with any scheme, one that cannot be asked among them, is kept as it is.
TEST(NormalizeBaseUrl, AValueWithoutASchemeIsTakenAsHttp) {
    const std::string def = kDefaultLookupBase;
    struct Case {
        const char* value;
        const char* url;
        bool added;
    } cases[] = {
        {"callbook.example.org", "http://callbook.example.org", true},
        {" 127.0.0.1:8080/x/ ", "http://127.0.0.1:8080/x", true},
        {"localhost:8080", "http://localhost:8080", true},
        {"h/x?u=http://y", "http://h/x?u=http://y", true},
        {"http:/h", "http://http:/h", true},
        {"//h", "http:////h", true},
        {"https://a.example", "https://a.example", false},
        {"HTTP://a.example/", "HTTP://a.example", false},
        {"ftp://a.example", "ftp://a.example", false},
    };
    for (const Case& c : cases) {
        const BaseUrl base = NormalizeBaseUrl(c.value, def);
        EXPECT_EQ(base.url, c.url) << c.value;
        EXPECT_EQ(base.schemeAdded, c.added) << c.value;
    }

    for (const char* with : {"http://h", "https://h", "ftp://h", "a+b.c-d://h", "x://"}) {
        EXPECT_TRUE(HasScheme(with)) << with;
    }
    for (const char* without : {"", "h", "://h", "h:8080", "h:8080/x://y", "h/x://y", "h?x://y",
                                "h#x://y", "http:/h", "http:h", "//h"}) {
        EXPECT_FALSE(HasScheme(without)) << without;
    }

    // The options read at a run's start carry the fact, for each key alike.
    OptionTexts texts;
    texts.lookupUrl = "callbook.example.org/";
    texts.updateUrl = "http://updates.example.org";
    Options options = ParseOptions(texts);
    EXPECT_EQ(options.lookupBase, "http://callbook.example.org");
    EXPECT_TRUE(options.lookupSchemeAdded);
    EXPECT_EQ(options.updateBase, "http://updates.example.org");
    EXPECT_FALSE(options.updateSchemeAdded);
    std::swap(texts.lookupUrl, texts.updateUrl);
    options = ParseOptions(texts);
    EXPECT_FALSE(options.lookupSchemeAdded);
    EXPECT_EQ(options.updateBase, "http://callbook.example.org");
    EXPECT_TRUE(options.updateSchemeAdded);
    EXPECT_FALSE(ParseOptions(OptionTexts()).lookupSchemeAdded) << "the built-in address";
}

using Route = common::ProxyChoice::Route;

TEST(ProxySetting, DirectAndTheSystemsSetting) {
    for (const char* v : {"direct", "DIRECT", "  Direct  "}) {
        const common::ProxyChoice c = ParseProxySetting(v);
        EXPECT_EQ(c.route, Route::Direct) << v;
        EXPECT_FALSE(c.unreadable) << v;
    }
    for (const char* v : {"", "   "}) {
        const common::ProxyChoice c = ParseProxySetting(v);
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
        const common::ProxyChoice choice = ParseProxySetting(c.value);
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
        const common::ProxyChoice c = ParseProxySetting(v);
        EXPECT_EQ(c.route, Route::System) << v;
        EXPECT_TRUE(c.unreadable) << v;
        EXPECT_TRUE(c.server.empty()) << v;
    }
}

TEST(ProxySetting, AValueTooLongToReadWholeIsNotUnderstood) {
    const common::ProxyChoice c = ParseProxySetting(std::nullopt);
    EXPECT_EQ(c.route, Route::System);
    EXPECT_TRUE(c.unreadable);
}

TEST(AnswerCacheSetting, KeepAnswersDays) {
    EXPECT_EQ(ParseKeepAnswersDays("0"), 0);
    EXPECT_EQ(ParseKeepAnswersDays("3650"), 3650);
    EXPECT_EQ(ParseKeepAnswersDays("007"), 7);
    EXPECT_EQ(ParseKeepAnswersDays(" 1 2 "), 12);
    EXPECT_EQ(ParseKeepAnswersDays("000000000000000000000000365"), 365);
    for (const char* value :
         {"", "   ", "-1", "+5", "3651", "abc", "1e3", "12x", "\t5", "1.5", "4294967297"}) {
        EXPECT_EQ(ParseKeepAnswersDays(value), 30) << "'" << value << "'";
    }
}

TEST(BaseCallFallbackOn, OffOnlyForZero) {
    EXPECT_FALSE(BaseCallFallbackOn("0"));
    EXPECT_TRUE(BaseCallFallbackOn(""));
    EXPECT_TRUE(BaseCallFallbackOn("1"));
    EXPECT_TRUE(BaseCallFallbackOn("no"));
    EXPECT_TRUE(BaseCallFallbackOn("00"));
}

TEST(LogSwitch, OnOnlyForOne) {
    EXPECT_TRUE(LogSwitchOn("1"));
    EXPECT_TRUE(LogSwitchOn("  1 "));
    EXPECT_FALSE(LogSwitchOn(""));
    EXPECT_FALSE(LogSwitchOn("0"));
    EXPECT_FALSE(LogSwitchOn("yes"));
    EXPECT_FALSE(LogSwitchOn("11"));
    EXPECT_FALSE(LogSwitchOn("\t1"));
}

}  // namespace
}  // namespace settings
