#include "core/feeds/Advertisements.h"

#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class AdvertisementsTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TAdvertisement ad;

    bool Read(const std::string& bytes) {
        WriteFile(profile.Path("Adver.dat"), bytes);
        return ReadAds(profile.Path("Adver.dat"), ad);
    }
};

} // namespace

TEST_F(AdvertisementsTest, TextClickAndPictureInEitherOrder) {
    for (const char* file : {"Rent more.\r\nhttp://v.example/go\r\nhttp://v.example/i/ad.png\r\n",
                             "http://v.example/go\r\nRent more.\r\nhttp://v.example/i/ad.png\r\n",
                             "Rent more.\nhttp://v.example/go\nhttp://v.example/i/ad.png\n",
                             "Rent more.\nhttp://v.example/go\nhttp://v.example/i/ad.png"}) {
        ASSERT_TRUE(Read(file));
        EXPECT_EQ(ad.AdText, "Rent more.") << file;
        EXPECT_EQ(ad.AdUrl, "http://v.example/go") << file;
        EXPECT_EQ(ad.AdImageUrl, "http://v.example/i/ad.png") << file;
        EXPECT_TRUE(ad.HasCard());
    }
}

TEST_F(AdvertisementsTest, LastTextAndLastPictureWin) {
    ASSERT_TRUE(Read("one\r\nhttp://a/\r\nhttp://b/1.jpg\r\ntwo\r\nhttp://c/3.jpg\r\n"));
    EXPECT_EQ(ad.AdUrl, "http://a/");
    EXPECT_EQ(ad.AdImageUrl, "http://c/3.jpg");
    EXPECT_EQ(ad.AdText, "two");
    // "http://" anywhere makes an address; "https://" does not, nor another case.
    ASSERT_TRUE(Read("see http://a/ now\r\nhttps://b/\r\n"));
    EXPECT_EQ(ad.AdUrl, "see http://a/ now");
    EXPECT_EQ(ad.AdText, "https://b/");
    ASSERT_TRUE(Read("HTTP://a/\r\ntext\r\n"));
    EXPECT_EQ(ad.AdText, "text");
    EXPECT_TRUE(ad.AdUrl.empty());
}

TEST_F(AdvertisementsTest, FilesThatGiveNoCard) {
    // A blank line after the text empties it.
    ASSERT_TRUE(Read("Rent more.\r\nhttp://v/\r\n\r\n"));
    EXPECT_EQ(ad.AdText, "");
    EXPECT_FALSE(ad.HasCard());
    ASSERT_TRUE(Read("Only words\r\n"));
    EXPECT_FALSE(ad.HasCard());
    ASSERT_TRUE(Read("http://v/\r\nhttp://v/p.jpg\r\n"));
    EXPECT_FALSE(ad.HasCard());
    EXPECT_TRUE(Read("")) << "an empty file is read";
    EXPECT_FALSE(ad.HasCard());
    // No file: false, and nothing left from an earlier read.
    ASSERT_TRUE(Read("t\r\nhttp://v/\r\n"));
    EXPECT_FALSE(ReadAds(profile.Path("missing.dat"), ad));
    EXPECT_FALSE(ad.HasCard());
    // Bytes that are no text at all still read without harm.
    EXPECT_TRUE(Read(std::string("\0\xff\r\r\nhttp://\0x\n", 14)));
}

TEST(Advertisements, UrlFileNameIsWhatFollowsTheLastSlash) {
    EXPECT_EQ(UrlFileName("http://www.plotvane.example/ad/tips.jpg"), "tips.jpg");
    EXPECT_EQ(UrlFileName("http://www.plotvane.example/"), "");
    EXPECT_EQ(UrlFileName("http://v/a/.."), "..");
    EXPECT_EQ(UrlFileName("no-slash.jpg"), "");
}

TEST(Advertisements, DueAgainOnTheNinthDay) {
    const double d = 46365.0; // a day at midnight
    const double fetchedAt = d + (23 * 60 + 59) / 1440.0;
    const double next = NextAdsDue(fetchedAt);
    EXPECT_DOUBLE_EQ(next, d + 8 + (23 * 60 + 59) / 1440.0) << "day d + 8 at 23:59";
    EXPECT_FALSE(AdsDue(next, d + 8 + 0.9995)) << "on day d + 8 the date at midnight is still before 23:59";
    EXPECT_TRUE(AdsDue(next, d + 9)) << "due from the first moment of day d + 9";
    // A fetch at 10:00 on day d: day d + 8 is not yet due either.
    EXPECT_FALSE(AdsDue(NextAdsDue(d + 10 / 24.0), d + 8.5));
    EXPECT_TRUE(AdsDue(NextAdsDue(d + 10 / 24.0), d + 9.01));
    // A failed read sets today's midnight: due at once.
    EXPECT_TRUE(AdsDue(Today(d + 0.7), d + 0.7));
}

TEST(Advertisements, ClockTurnedBackOrForward) {
    const double d = 46365.0;
    const double next = NextAdsDue(d + 0.5); // fetched at noon on day d
    // Back by an hour (summer time ending) or by less than a day: not due.
    EXPECT_FALSE(AdsDue(next, d + 0.5 - 1 / 24.0));
    EXPECT_FALSE(AdsDue(next, d - 0.4));
    // Back by more than a day: a fetch now would set a date over a day earlier, so it is due.
    EXPECT_TRUE(AdsDue(next, d - 0.6));
    EXPECT_TRUE(AdsDue(next, d - 365 * 4));
    // Forward past the date: due, and the next fetch counts from the new time.
    EXPECT_TRUE(AdsDue(next, d + 30));
    EXPECT_FALSE(AdsDue(NextAdsDue(d + 30), d + 31));
}

TEST(Advertisements, ThePicturesNameCannotTakeOneOfTheCachesOwnFiles) {
    for (const char* refused : {"QueueRSS.xml", "TrackingRSS.xml", "Update.dat", "Adver.dat", "70001148.jpg", "12.JPG",
                                ".jpg", "picture", "..", "a/b.jpg", "evil.sh", "ad.jpg.part"})
        EXPECT_FALSE(IsAdPictureName(refused)) << refused;
    for (const char* accepted : {"ad.jpg", "Banner.JPEG", "tip-2.png", "a.gif", "x1.bmp", "icon.ico"})
        EXPECT_TRUE(IsAdPictureName(accepted)) << accepted;
}

TEST(Advertisements, ADateThatIsNoNumberIsDueNotNever) {
    const double now = 46365.5;
    EXPECT_TRUE(AdsDue(std::nan(""), now));
    EXPECT_TRUE(AdsDue(std::numeric_limits<double>::infinity(), now));
    EXPECT_TRUE(AdsDue(-std::numeric_limits<double>::infinity(), now));
}
