#include "platform/log.h"
#include "platform/manual_reset_event.h"
#include "platform/system_language.h"

#include <gtest/gtest.h>

#include <thread>

TEST(SystemLanguage, FirstSetVariableDecides)
{
    EXPECT_TRUE(IsJapaneseLocale(nullptr, nullptr, "ja_JP.UTF-8"));
    EXPECT_TRUE(IsJapaneseLocale("", "", "ja"));
    EXPECT_TRUE(IsJapaneseLocale("ja_JP.eucJP", "en_US.UTF-8", "en_US.UTF-8"));
    EXPECT_FALSE(IsJapaneseLocale("C", nullptr, "ja_JP.UTF-8")) << "LC_ALL overrides LANG";
    EXPECT_TRUE(IsJapaneseLocale(nullptr, "ja_JP.UTF-8", "de_DE.UTF-8")) << "LC_MESSAGES before LANG";
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, nullptr));
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, "jam_JM")) << "only the language code counts";
    EXPECT_FALSE(IsJapaneseLocale(nullptr, nullptr, "en_JP"));
}

TEST(ManualResetEvent, StaysSetForEveryWaiterUntilReset)
{
    CManualResetEvent event;
    EXPECT_FALSE(event.Wait(1));
    std::thread setter([&event] { event.Set(); });
    EXPECT_TRUE(event.Wait());
    setter.join();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.Wait(0));
}

TEST(Log, CategoriesAreNamedInACommaList)
{
    const auto bit = [](ELogCategory category) { return 1u << static_cast<int>(category); };
    EXPECT_EQ(ParseLogCategories(nullptr), 0u);
    EXPECT_EQ(ParseLogCategories(""), 0u);
    EXPECT_EQ(ParseLogCategories("camera"), bit(ELogCategory::Camera));
    EXPECT_EQ(ParseLogCategories("usb,files"), bit(ELogCategory::Usb) | bit(ELogCategory::Files));
    EXPECT_EQ(ParseLogCategories("cam,camera2,,driver,"), bit(ELogCategory::Driver)) << "only whole names count";
    EXPECT_EQ(ParseLogCategories("all"), (1u << static_cast<int>(ELogCategory::Count)) - 1);
    EXPECT_STREQ(LogCategoryName(ELogCategory::Usb), "usb");
}
