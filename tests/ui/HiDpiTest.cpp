// At a device pixel ratio of 2 (QT_SCALE_FACTOR=2, as on a HiDPI screen) the artwork is drawn
// at the device's resolution and box art is not scaled through the logical size on its way.

#include "ui/Artwork.h"
#include "ui/MovieThumbnail.h"
#include "ui/PopupWin.h"

#include "support/ChildMode.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include <iostream>

namespace {

int Fail(int code, const char* what) {
    std::cerr << "HiDPI: " << what << "\n";
    return code;
}

// Runs in a process of its own, started with QT_SCALE_FACTOR=2.
const bool g_hidpi = RegisterChildMode("hidpi", [] {
    if (qApp->devicePixelRatio() != 2.0)
        return Fail(10, "the scale factor did not take");
    const QPixmap logo = PlotvaneLogo();
    if (logo.devicePixelRatio() != 2.0 || logo.size() != QSize(300, 52))
        return Fail(11, "the logo is not drawn at the device's resolution");

    // Box art whose source holds exactly the device pixels of the frame: one-pixel stripes.
    QImage source(220, 300, QImage::Format_RGB32);
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            source.setPixel(x, y, (x + y) % 2 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    TMovieThumbnail card;
    card.SetMoviePicture(source);
    card.SetMovieDescription(QStringLiteral("x"));
    const QImage shot = card.grab().toImage();
    if (shot.size() != card.size() * 2)
        return Fail(12, "the card is not grabbed at the device's resolution");
    // The picture's frame starts at (14, 14) logical, (28, 28) on the device.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (shot.pixel(28 + x, 28 + y) != source.pixel(x, y))
                return Fail(13, "the box art is blurred");

    // The notification's one-pixel border stays one logical pixel of pure colour.
    TfPopupWin popup;
    const QImage note = popup.grab().toImage();
    if (note.size() != QSize(362, 190) || note.pixelColor(1, 40) != QColor(157, 172, 201) ||
        note.pixelColor(361, 40) != QColor(58, 75, 133) || note.pixelColor(2, 40) == QColor(157, 172, 201))
        return Fail(14, "the notification's frame is blurred");
    return 0;
});

} // namespace

TEST(HiDpi, ArtworkAndBoxArtAreDrawnAtTheDevicesResolution) {
    ASSERT_TRUE(g_hidpi);
    TTempProfile profile;
    profile.SetEnv("QT_SCALE_FACTOR", "2");
    const pid_t child = StartChildMode("hidpi");
    ASSERT_GT(child, 0);
    EXPECT_EQ(WaitForChild(child), 0);
}
