#include "ui/Artwork.h"
#include "ui/GradientLabel.h"
#include "ui/SpecialFrame.h"
#include "ui/artwork/Drawn.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

const QColor Background(200, 100, 50);
const QColor Top(255, 255, 255);
const QColor Bottom(0, 128, 0);
const QColor BorderColour(128, 128, 128);
const QColor Picture(10, 20, 250);

QPixmap Solid(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Picture);
    return pixmap;
}

template <class T>
void SetBackground(T& widget) {
    QPalette pal = widget.palette();
    pal.setColor(QPalette::Window, Background);
    widget.setPalette(pal);
}

QColor Gradient(int row, int rows) {
    const auto mix = [&](int a, int b) { return a + (b - a) * row / rows; };
    return QColor(mix(Top.red(), Bottom.red()), mix(Top.green(), Bottom.green()), mix(Top.blue(), Bottom.blue()));
}

} // namespace

TEST(GradientLabel, SectionHeaderGeometry) {
    TGradientLabel label;
    SetBackground(label);
    label.resize(413, 35);
    label.SetTopColor(Top);
    label.SetBottomColor(Bottom);
    label.SetBorderColor(BorderColour);
    label.SetVerticalOffset(6);
    label.SetImage(Solid(32, 34));
    const QImage img = label.grab().toImage();
    EXPECT_EQ(img.pixelColor(200, 5), Background);
    EXPECT_EQ(img.pixelColor(200, 29), Background);
    for (const QPoint border : {QPoint(200, 6), QPoint(200, 28), QPoint(0, 17), QPoint(412, 17)})
        EXPECT_EQ(img.pixelColor(border), BorderColour) << border.x() << "," << border.y();
    for (int row : {7, 17, 27})
        EXPECT_EQ(img.pixelColor(200, row), Gradient(row - 6, 23)) << "row " << row;
    EXPECT_EQ(img.pixelColor(4, 0), Picture) << "the picture sticks out of the band above";
    EXPECT_EQ(img.pixelColor(35, 33), Picture) << "and below";
    EXPECT_EQ(img.pixelColor(3, 0), Background);
    EXPECT_EQ(img.pixelColor(36, 0), Background);
    EXPECT_EQ(label.TextRect(), QRect(QPoint(40, 2), QPoint(410, 32)));

    label.SetImage(Solid(32, 32));
    const QImage shorter = label.grab().toImage();
    EXPECT_EQ(shorter.pixelColor(4, 1), Picture);
    EXPECT_EQ(shorter.pixelColor(4, 0), Background) << "a 32 x 32 picture starts at row 1";

    label.SetImage({});
    EXPECT_EQ(label.TextRect().left(), 4) << "without a picture the text starts at TextSpace";
}

TEST(GradientLabel, WithoutBorderAndOffsetTheGradientFillsTheControl) {
    TGradientLabel label;
    SetBackground(label);
    label.resize(100, 20);
    label.SetTopColor(Top);
    label.SetBottomColor(Bottom);
    label.SetBorder(false);
    const QImage img = label.grab().toImage();
    EXPECT_EQ(img.pixelColor(0, 0), Top);
    EXPECT_EQ(img.pixelColor(99, 19), Gradient(19, 20));
}

TEST(GradientLabel, CaptionAndShadowAreDrawn) {
    TGradientLabel label;
    SetBackground(label);
    label.resize(200, 30);
    label.SetBorder(false);
    label.SetTopColor(Top);
    label.SetBottomColor(Top);
    const QImage empty = label.grab().toImage();
    label.SetCaption(QStringLiteral("At home"));
    const QImage text = label.grab().toImage();
    EXPECT_NE(text, empty);
    label.SetShadow(true);
    label.SetShadowColor(QColor(255, 0, 0));
    const QImage shadowed = label.grab().toImage();
    // Text is smoothed, so the shadow blends with the band: look for clearly red pixels.
    const auto reddish = [](const QImage& image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 200 && c.green() < 160 && c.blue() < 160;
            }
        return n;
    };
    EXPECT_EQ(reddish(text), 0);
    EXPECT_GT(reddish(shadowed), 5) << "the shadow shows beside the text";
}

TEST(SpecialFrame, SquareCornersMakeAPlainFramedRectangle) {
    TSpecialFrame frame;
    SetBackground(frame);
    frame.SetFillColor(Qt::white);
    frame.SetFrameColor(BorderColour);
    EXPECT_EQ(frame.size(), QSize(200, 100));
    EXPECT_EQ(frame.Outline(), QPolygon({QPoint(0, 0), QPoint(199, 0), QPoint(199, 99), QPoint(0, 99)}));
    const QImage img = frame.grab().toImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(199, 0), QPoint(199, 99), QPoint(0, 99), QPoint(100, 0), QPoint(0, 50)})
        EXPECT_EQ(img.pixelColor(p), BorderColour) << p.x() << "," << p.y();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(100, 50), QColor(Qt::white));
}

TEST(SpecialFrame, RoundCornersAreCutDiagonally) {
    TSpecialFrame frame;
    SetBackground(frame);
    frame.SetFillColor(Qt::white);
    frame.SetFrameColor(BorderColour);
    frame.SetCorners(TCornerStyle::csRound, TCornerStyle::csRound, TCornerStyle::csRound, TCornerStyle::csRound);
    EXPECT_EQ(frame.Outline(), QPolygon({QPoint(0, 2), QPoint(2, 0), QPoint(197, 0), QPoint(199, 2), QPoint(199, 97),
                                         QPoint(197, 99), QPoint(2, 99), QPoint(0, 97)}));
    const QImage img = frame.grab().toImage();
    for (const QPoint corner : {QPoint(0, 0), QPoint(199, 0), QPoint(199, 99), QPoint(0, 99)})
        EXPECT_EQ(img.pixelColor(corner), Background) << "the parent shows through " << corner.x() << "," << corner.y();
    for (const QPoint cut : {QPoint(1, 1), QPoint(198, 1), QPoint(198, 98), QPoint(1, 98)})
        EXPECT_EQ(img.pixelColor(cut), BorderColour) << cut.x() << "," << cut.y();
    frame.SetCorners(TCornerStyle::csRect, TCornerStyle::csRound, TCornerStyle::csRect, TCornerStyle::csRect);
    EXPECT_EQ(frame.Outline().size(), 5);
}

TEST(Artwork, WhatTheBuildDrewIsWhatTheProgramWouldDraw) {
    // A start loads the icon and the logo the build drew; they must be the very same pixels.
    for (int size : artwork::IconSizes) {
        ASSERT_TRUE(QFile::exists(QStringLiteral(":/artwork/icon-%1.pic").arg(size))) << size;
        EXPECT_EQ(PlotvaneIcon().pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32),
                  artwork::DrawIcon(size).toImage().convertToFormat(QImage::Format_ARGB32))
            << "the icon at " << size;
    }
    ASSERT_TRUE(QFile::exists(QStringLiteral(":/artwork/logo.pic")));
    const QImage logo = PlotvaneLogo().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(logo.size(), QSize(150, 26));
    EXPECT_EQ(logo, artwork::DrawLogo(1.0, artwork::DrawIcon(22)).toImage().convertToFormat(QImage::Format_ARGB32));
}

TEST(Artwork, AStoredPictureIsReadWholeOrNotAtAll) {
    QImage picture(3, 2, QImage::Format_ARGB32_Premultiplied);
    picture.fill(QColor(10, 20, 30, 255));
    picture.setPixelColor(2, 1, QColor(0, 0, 0, 0));
    const QByteArray stored = artwork::ToStored(picture);
    EXPECT_EQ(stored.size(), 16 + 3 * 2 * 4);
    EXPECT_EQ(artwork::FromStored(stored), picture);

    QByteArray otherMark = stored;
    otherMark[0] = 'Q';
    QByteArray huge = stored;
    huge[11] = '\x7f'; // a width of two thousand million: refused before any allocation
    QByteArray noWidth = stored;
    noWidth[8] = 0;
    for (const QByteArray& damaged : {QByteArray(), stored.left(15), stored.left(stored.size() - 1),
                                      stored + QByteArray(1, 'x'), otherMark, huge, noWidth})
        EXPECT_TRUE(artwork::FromStored(damaged).isNull()) << damaged.size() << " bytes";
}
