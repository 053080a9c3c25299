#include "settings/settings_memory.h"

#include <gtest/gtest.h>

namespace settings {
namespace {

constexpr std::uint64_t kHour = 3600 * kFileTimeSecond;
constexpr std::uint64_t kNow = 133000000000000000;  // some day in 2022

OptionTexts Texts(const std::string& userName) {
    OptionTexts texts;
    texts.userName = userName;
    texts.proxy = "direct";
    return texts;
}

TEST(SettingsMemory, KeepsTheTextsOfAFileWhileItsStampStaysTheSame) {
    SettingsMemory memory;
    const FileStamp stamp{120, kNow - 2 * kHour, kNow - kHour};
    EXPECT_FALSE(memory.For(stamp)) << "nothing kept yet";
    memory.Keep(stamp, kNow, Texts("K1ABC"));
    ASSERT_TRUE(memory.For(stamp));
    EXPECT_EQ(memory.For(stamp)->userName, "K1ABC");
    EXPECT_EQ(memory.For(stamp)->proxy, "direct");

    // Any change of the stamp means a new read.
    FileStamp larger = stamp;
    larger.size += 1;
    EXPECT_FALSE(memory.For(larger));
    FileStamp written = stamp;
    written.lastWrite += 1;
    EXPECT_FALSE(memory.For(written));
    FileStamp replaced = stamp;
    replaced.created += kFileTimeSecond;
    EXPECT_FALSE(memory.For(replaced));

    // A new read replaces what was kept.
    memory.Keep(written, kNow, Texts("K2XYZ"));
    EXPECT_FALSE(memory.For(stamp));
    ASSERT_TRUE(memory.For(written));
    EXPECT_EQ(memory.For(written)->userName, "K2XYZ");
}

// A later write may land in the same tick of the file system's clock as the one before the read,
// and then shows in no stamp: a file written less than kSettledAfter before the read, or stamped
// after it (a clock set back), is read again next time, and what was kept before goes.
TEST(SettingsMemory, AFileWrittenJustBeforeTheReadIsNotKept) {
    SettingsMemory memory;
    const FileStamp old{120, kNow - 2 * kHour, kNow - kHour};
    memory.Keep(old, kNow, Texts("K1ABC"));
    ASSERT_TRUE(memory.For(old));

    const FileStamp recent{121, kNow - 2 * kHour, kNow - kSettledAfter + 1};
    memory.Keep(recent, kNow, Texts("K2XYZ"));
    EXPECT_FALSE(memory.For(recent));
    EXPECT_FALSE(memory.For(old)) << "what was kept before must not come back";

    const FileStamp settled{121, kNow - 2 * kHour, kNow - kSettledAfter};
    memory.Keep(settled, kNow, Texts("K2XYZ"));
    EXPECT_TRUE(memory.For(settled));

    const FileStamp future{122, kNow - 2 * kHour, kNow + kHour};
    memory.Keep(future, kNow, Texts("K3FUT"));
    EXPECT_FALSE(memory.For(future));
    EXPECT_FALSE(memory.For(settled));
}

}  // namespace
}  // namespace settings
