#include "core/feeds/BoxArt.h"
#include "core/feeds/JpegPicture.h"
#include "core/net/DownloadQueue.h"

#include "support/JpegMaker.h"
#include "support/LoopbackServer.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QBuffer>

namespace {

bool Accepts(const std::string& bytes, const std::string& fileName) {
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    bool accept = true;
    AcceptPicture(nullptr, "u", nullptr, accept, buffer, fileName);
    EXPECT_EQ(buffer.pos(), 0) << "the check only peeks";
    return accept;
}

// A card's picture that records what reached it.
class TRecordingPicture final : public TPictureTarget {
public:
    bool LoadFromFile(const std::string& path) override {
        Loads.push_back(path);
        const auto picture = DecodeJpegFile(path);
        if (picture)
            Width = picture->Width;
        return picture.has_value();
    }
    std::vector<std::string> Loads;
    int Width = 0;
};

} // namespace

TEST(AcceptPicture, TakesOnlyJfifJpegsForJpgNames) {
    EXPECT_TRUE(Accepts(std::string("\xFF\xD8\xFF\xE0rest", 8), "/c/1.jpg"));
    EXPECT_FALSE(Accepts(std::string("\xFF\xD8\xFF\xE1rest", 8), "/c/1.jpg")) << "an Exif JPEG";
    EXPECT_FALSE(Accepts(std::string("\xFF\xD8\xFF", 3), "/c/1.jpg"));
    EXPECT_FALSE(Accepts("<html>404</html>", "/c/1.jpg"));
    EXPECT_TRUE(Accepts("<html>404</html>", "/c/ad.png")) << "other names are left alone";
}

TEST(FindBoxArtId, FollowsThePagePattern) {
    const std::string prefix = "http://cdn-0.nflximg.com/us/boxshots/large/";
    EXPECT_EQ(FindBoxArtId("<img src=\"" + prefix + "70012345.jpg\">"), "70012345");
    EXPECT_EQ(FindBoxArtId("<img src=\"" + prefix + ".jpg\">"), "") << "an empty id still counts";
    EXPECT_EQ(FindBoxArtId(prefix + "1.jpg' " + prefix + "2.jpg\""), "1.jpg' " + prefix + "2")
        << "from the first prefix to the first .jpg\"";
    EXPECT_FALSE(FindBoxArtId("<img src=\"" + prefix + "7.png\">"));
    EXPECT_FALSE(FindBoxArtId("<img src=\"http://cdn-0.nflximg.com/us/boxshots/small/7.jpg\">"));
    EXPECT_FALSE(FindBoxArtId(""));
}

TEST(JpegPicture, DecodesGoodPicturesAndRefusesDamagedOnes) {
    const std::string good = MakeJpeg(110, 154);
    const auto picture = DecodeJpeg(reinterpret_cast<const std::uint8_t*>(good.data()), good.size());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width, 110);
    EXPECT_EQ(picture->Height, 154);
    EXPECT_EQ(picture->Rgb.size(), 110u * 154 * 3);

    for (const std::size_t cut : {good.size() / 2, good.size() - 2, std::size_t{20}}) {
        const std::string truncated = good.substr(0, cut);
        EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(truncated.data()), truncated.size()))
            << "cut at " << cut;
    }
    std::string garbage = good;
    for (std::size_t i = good.size() / 2; i < good.size() / 2 + 64; ++i)
        garbage[i] = static_cast<char>(0xFF);
    EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(garbage.data()), garbage.size()));
    EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>("<html>"), 6));

    // A frame header claiming 65000 x 65000 pixels is refused before anything is allocated.
    std::string huge = good;
    const std::size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = huge[sof + 7] = '\xFD';
    huge[sof + 6] = huge[sof + 8] = '\xE8';
    EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(huge.data()), huge.size()));
}

class PictureArrivedTest : public ::testing::Test {
protected:
    TTempProfile profile;
    TLoopbackServer server;
    TDownloadQueue queue; // never started: PictureArrived only adds to it
    std::string cache = profile.Path("Cache/");

    void SetUp() override {
        profile.SetEnv("http_proxy", server.Url(""));
        profile.SetEnv("no_proxy", "");
        server.Get("/MovieDisplay", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<img src=\"http://cdn-0.nflximg.com/us/boxshots/large/990.jpg\">", "text/html");
        });
        WriteFile(cache + "good.jpg", MakeJpeg(20, 30));
        WriteFile(cache + "bad.jpg", "not a picture");
    }

    TPassMovieDataRec* Request(const std::shared_ptr<TPictureTarget>& picture, std::string movieId = "123") {
        return new TPassMovieDataRec{movieId, movieId.empty() ? "" : "http://www.netflix.com/MovieDisplay?movieid=1",
                                     picture, 0};
    }
};

TEST_F(PictureArrivedTest, LoadsAGoodPictureIntoItsCard) {
    auto picture = std::make_shared<TRecordingPicture>();
    PictureArrived(&queue, "u", Request(picture), true, cache + "good.jpg");
    EXPECT_EQ(picture->Width, 20);
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(PictureArrivedTest, AFailedPictureIsLookedUpOnItsPageOnce) {
    auto picture = std::make_shared<TRecordingPicture>();
    auto* request = Request(picture);
    PictureArrived(&queue, "u", request, true, cache + "bad.jpg");
    ASSERT_EQ(queue.Count(), 1);
    const TDownloadItemRec* item = queue.GetItem(0);
    EXPECT_EQ(item->URL, "http://cdn-0.nflximg.com/us/boxshots/large/990.jpg");
    EXPECT_EQ(item->FileName, "123.jpg") << "cached under the movie number, not the found id";
    EXPECT_TRUE(item->CheckSize);
    EXPECT_EQ(item->Data, request);

    // The found picture fails as well: no second search, the request is disposed.
    PictureArrived(&queue, "u", request, false, cache + "123.jpg");
    EXPECT_EQ(queue.Count(), 1);
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(PictureArrivedTest, NoSearchWithoutAMovieNumberOrPage) {
    auto picture = std::make_shared<TRecordingPicture>();
    PictureArrived(&queue, "u", Request(picture, ""), false, cache + "ad.png");
    EXPECT_EQ(queue.Count(), 0);
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(PictureArrivedTest, APictureForACardThatIsGoneIsDropped) {
    auto picture = std::make_shared<TRecordingPicture>();
    auto* request = Request(picture);
    const std::weak_ptr<TRecordingPicture> watch = picture;
    picture.reset(); // the card was destroyed by a new cycle
    PictureArrived(&queue, "u", request, true, cache + "good.jpg");
    PictureArrived(&queue, "u", Request(std::shared_ptr<TPictureTarget>{}), false, cache + "bad.jpg");
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(queue.Count(), 0) << "no search for a card that is gone";
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST(JpegPicture, ALargePictureIsDecodedNoLargerThanItIsDrawn) {
    const std::string big = MakeJpeg(4096, 2400);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(big.data());
    const auto whole = DecodeJpeg(bytes, big.size());
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->Width, 4096);
    // A quarter keeps both sides at 600 or more; an eighth would not.
    const auto reduced = DecodeJpeg(bytes, big.size(), 600);
    ASSERT_TRUE(reduced);
    EXPECT_EQ(reduced->Width, 1024);
    EXPECT_EQ(reduced->Height, 600);
    EXPECT_EQ(reduced->Rgb.size(), 1024u * 600 * 3);
    // One no larger than that stays as it is.
    const std::string small = MakeJpeg(1100, 620);
    const auto kept = DecodeJpeg(reinterpret_cast<const std::uint8_t*>(small.data()), small.size(), 600);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Width, 1100);
}
