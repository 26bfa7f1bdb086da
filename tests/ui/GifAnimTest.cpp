#include "ui/GifAnim.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QTest>

namespace {

QByteArray ProgressGif() {
    QFile file(QStringLiteral(PLOTVANE_SOURCE_DIR "/resources/progress.gif"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The picture as frames 0 .. last leave it.
QImage Composite(const TGifPicture& picture, int last) {
    QImage image(picture.ScreenSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i <= last; ++i)
        picture.DrawFrame(painter, i, {0, 0});
    return image;
}

} // namespace

TEST(GifPicture, TheProgressAnimationHasItsShape) {
    TGifPicture picture;
    ASSERT_TRUE(picture.Load(ProgressGif()));
    EXPECT_EQ(picture.ScreenSize(), QSize(104, 34));
    ASSERT_EQ(picture.Frames().size(), 25u);
    EXPECT_EQ(picture.Frames()[0].Rect, QRect(0, 0, 104, 34));
    for (const TGifFrame& frame : picture.Frames()) {
        EXPECT_EQ(frame.DelayCs, 10);
        EXPECT_EQ(frame.Disposal, 1);
        EXPECT_EQ(frame.Transparent, 255);
    }
    EXPECT_EQ(picture.Frames()[0].Image.pixelColor(0, 0).alpha(), 0) << "the background is transparent";
    EXPECT_NE(Composite(picture, 0), Composite(picture, 12)) << "the frames move the picture on";
}

TEST(GifPicture, DamagedInputIsRefused) {
    const QByteArray good = ProgressGif();
    TGifPicture picture;
    for (const QByteArray& bad : {QByteArray(), QByteArray("GIF89a"), good.left(good.size() / 2), good.left(30),
                                  QByteArray("<html>not a picture</html>")}) {
        EXPECT_FALSE(picture.Load(bad)) << bad.size();
        EXPECT_TRUE(picture.Empty());
    }
    QByteArray huge = good;
    huge[6] = '\xFF';
    huge[7] = '\x7F'; // a logical screen 32767 pixels wide
    EXPECT_FALSE(picture.Load(huge));
    // Found by fuzzing: a small screen whose frame claims tens of thousands of pixels a side
    // made the whole-file reader ask for 2 GB before looking at the frame.
    QFile frame(QStringLiteral(PLOTVANE_TEST_DATA "/pictures/huge-frame.gif"));
    ASSERT_TRUE(frame.open(QIODevice::ReadOnly));
    EXPECT_FALSE(picture.Load(frame.readAll()));
    EXPECT_TRUE(picture.Empty());
}

TEST(GifAnim, UnknownResourceLeavesABlankControl) {
    TGifAnim anim;
    anim.SetGifResName(QStringLiteral("NO_SUCH_PICTURE"));
    EXPECT_EQ(anim.size(), QSize(134, 170));
    EXPECT_EQ(anim.CurrentIndex(), -1);
    anim.Start(); // only the text state changes
    EXPECT_TRUE(anim.Running());
    anim.Stop();
    QPalette pal = anim.palette();
    pal.setColor(QPalette::Window, QColor(10, 200, 30));
    anim.setPalette(pal);
    const QImage shot = anim.grab().toImage();
    EXPECT_EQ(shot.pixelColor(67, 85), QColor(10, 200, 30));
}

TEST(GifAnim, RunsPausesAndKeepsItsFrame) {
    TGifAnim anim;
    anim.SetGifResName(QStringLiteral("GIF_PROGRESS"));
    EXPECT_EQ(anim.size(), QSize(104, 74));
    EXPECT_EQ(anim.CurrentIndex(), -1) << "nothing moves before Start";
    anim.SetText(QStringLiteral("Reading movies..."));
    const QImage blank = anim.grab().toImage();
    anim.Start();
    QTRY_VERIFY_WITH_TIMEOUT(anim.CurrentIndex() >= 5, 3000);
    anim.Stop();
    const int frozen = anim.CurrentIndex();
    QTest::qWait(350);
    EXPECT_EQ(anim.CurrentIndex(), frozen) << "paused, not recreated";

    TGifPicture picture;
    ASSERT_TRUE(picture.Load(ProgressGif()));
    const QImage shot = anim.grab().toImage().copy(0, 0, 104, 34).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage expected = Composite(picture, frozen);
    // Compare where the frames are opaque: there the widget's own colour does not show.
    int differing = 0;
    for (int y = 0; y < 34; ++y)
        for (int x = 6; x < 80; ++x)
            differing += shot.pixel(x, y) != expected.pixel(x, y) && expected.pixelColor(x, y) != QColor(Qt::white);
    EXPECT_EQ(differing, 0) << "after Stop the last shown frame stays, frame " << frozen;
    EXPECT_NE(Composite(picture, frozen), Composite(picture, 0));

    const QImage stoppedText = anim.grab().toImage().copy(0, 35, 104, 39);
    EXPECT_EQ(stoppedText, blank.copy(0, 35, 104, 39)) << "no text while stopped";
    anim.SetText(QStringLiteral("Prepare DVDs ..."));
    EXPECT_EQ(anim.grab().toImage().copy(0, 35, 104, 39), stoppedText) << "setting it while stopped shows nothing";
    anim.Start();
    EXPECT_NE(anim.grab().toImage().copy(0, 35, 104, 39), stoppedText) << "the next Start shows it";
    anim.SetText({});
    EXPECT_EQ(anim.grab().toImage().copy(0, 35, 104, 39), stoppedText) << "an empty text removes it at once";
    anim.Stop();
}
