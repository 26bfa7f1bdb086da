#include "core/feeds/JpegPicture.h"
#include "core/settings/OptionsUnit.h"
#include "ui/Artwork.h"
#include "ui/CardBox.h"
#include "ui/CardPictures.h"
#include "ui/Drawing.h"
#include "ui/Main.h"
#include "ui/MovieThumbnail.h"

#include "platform/SharedLibrary.h"

#include "support/ChildMode.h"
#include "support/FakeTrayShell.h"
#include "support/JpegMaker.h"
#include "support/TempProfile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

namespace {

QImage Grab(QWidget& w) {
    return w.grab().toImage();
}

} // namespace

TEST(Cards, LargeCardHeightFollowsItsTexts) {
    TMovieThumbnail card;
    card.SetMovieTitle(QStringLiteral("Short"));
    card.SetMovieDescription(QStringLiteral("A line."));
    EXPECT_EQ(card.height(), 180) << "texts within 150 pixels give 180";

    QString longText;
    for (int i = 0; i < 60; ++i)
        longText += QStringLiteral("many words of description ");
    card.SetMovieDescription(longText);
    const int tw = card.width() - 154;
    const int th = drawing::TextHeight(card.FontTitle(), tw, card.MovieTitle());
    const int dh = drawing::TextHeight(card.font(), tw, longText);
    ASSERT_GT(th + 10 + dh, 150);
    EXPECT_EQ(card.height(), th + 10 + dh + 30);

    const int before = card.height();
    card.ShowTag = true;
    EXPECT_EQ(card.height(), before) << "the tag set afterwards does not resize the card";
}

TEST(Cards, OtherCardsHeights) {
    TMovieThumbnailShort shortCard;
    shortCard.SetMovieDescription(QStringLiteral("Received on 12/02/26"));
    EXPECT_EQ(shortCard.size(), QSize(133, 194));
    TAdvertismentThumbnail ad;
    ad.SetMovieDescription(QStringLiteral("Short ad"));
    EXPECT_EQ(ad.height(), 88);
}

TEST(Cards, FrameAndEmptyBoxArt) {
    TMovieThumbnail card;
    QPalette pal = card.palette();
    pal.setColor(QPalette::Window, Qt::white);
    card.setPalette(pal);
    card.SetMovieDescription(QStringLiteral("x"));
    const QImage img = Grab(card);
    const int w = card.width();
    const int h = card.height();
    EXPECT_EQ(img.pixelColor(1, 1), QColor(152, 158, 210)) << "the border";
    EXPECT_EQ(img.pixelColor(w / 2, h - 1), QColor(228, 228, 228)) << "the light shadow below";
    EXPECT_EQ(img.pixelColor(w - 1, h / 2), QColor(228, 228, 228)) << "and to the right";
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white));
    // The box-art frame at (12, 12): white inside, black line then the shadow colour outside.
    EXPECT_EQ(img.pixelColor(60, 80), QColor(Qt::white)) << "no picture: the white frame";
    EXPECT_EQ(img.pixelColor(126, 80), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(60, 166), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(127, 80).rgb(), card.palette().color(QPalette::Dark).rgb());

    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    card.SetMoviePicture(red);
    const QImage withPicture = Grab(card);
    EXPECT_EQ(withPicture.pixelColor(14, 14), QColor(Qt::red)) << "stretched into the frame less two pixels";
    EXPECT_EQ(withPicture.pixelColor(123, 163), QColor(Qt::red));
    EXPECT_NE(withPicture.pixelColor(13, 13), QColor(Qt::red));
}

TEST(Cards, TagBoxInTheCorner) {
    TMovieThumbnail card;
    card.ShowTag = true;
    card.SetMovieID(QStringLiteral("12"));
    card.SetMovieDescription(QStringLiteral("x"));
    const QImage img = Grab(card);
    const int w = card.width();
    EXPECT_EQ(img.pixelColor(w - 27, 10), QColor(152, 158, 210)) << "left edge of the tag box";
    EXPECT_EQ(img.pixelColor(w - 15, 20), QColor(152, 158, 210)) << "its bottom edge";
}

TEST(Cards, AdvertisementIconScaling) {
    EXPECT_EQ(TAdvertismentThumbnail::IconRect({32, 16}), QRect(28, 36, 32, 16));
    EXPECT_EQ(TAdvertismentThumbnail::IconRect({128, 64}), QRect(12, 12, 64, 32));
    EXPECT_EQ(TAdvertismentThumbnail::IconRect({64, 64}), QRect(12, 12, 64, 64));
    EXPECT_EQ(TAdvertismentThumbnail::IconRect({110, 154}), QRect(12, 12, 46, 64)) << "45.7 rounds to 46";
    EXPECT_EQ(TAdvertismentThumbnail::IconRect({256, 10}), QRect(12, 12, 64, 2)) << "2.5 rounds to even";
}

TEST(Cards, ReturnsStandThreeInARow) {
    TTempProfile profile;
    SetDefaultConfig();
    TFakeTrayShell shell;
    TfMain main(nullptr, &shell);
    main.BeginList(TListBox::Recent);
    std::vector<QWidget*> cards;
    for (int i = 0; i < 7; ++i) {
        main.AddCard({TCardKind::Returns, "Back " + std::to_string(i), "Received on 12/02/26", "http://x/", {}});
    }
    main.EndList(TListBox::Recent);
    std::vector<QPoint> positions;
    for (TMovieThumbnailShort* card : main.findChildren<TMovieThumbnailShort*>())
        positions.push_back(card->pos());
    ASSERT_EQ(positions.size(), 7u);
    std::sort(positions.begin(), positions.end(),
              [](QPoint a, QPoint b) { return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x()); });
    const int first = 4 + 35 + 6;
    const int row = 194 + 10;
    EXPECT_EQ(positions, (std::vector<QPoint>{{10, first},
                                              {147, first},
                                              {284, first},
                                              {10, first + row},
                                              {147, first + row},
                                              {284, first + row},
                                              {10, first + 2 * row}}));
}

TEST(Cards, QueueCardsStackUnderTheAdvertisement) {
    TTempProfile profile;
    SetDefaultConfig();
    TFakeTrayShell shell;
    TfMain main(nullptr, &shell);
    main.BeginList(TListBox::Queue);
    main.AddCard({TCardKind::Advertisement, {}, "An ad", "http://ad/", {}});
    main.AddCard({TCardKind::Queue, "First", "One", "http://1/", "1"});
    main.AddCard({TCardKind::Queue, "Second", "Two", "http://2/", "2"});
    main.EndList(TListBox::Queue);
    const auto ads = main.findChildren<TAdvertismentThumbnail*>();
    ASSERT_EQ(ads.size(), 1);
    EXPECT_EQ(ads[0]->pos(), QPoint(10, 10));
    auto cards = main.findChildren<TMovieThumbnail*>();
    ASSERT_EQ(cards.size(), 2);
    std::sort(cards.begin(), cards.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
    EXPECT_EQ(cards[0]->pos(), QPoint(10, 10 + 88 + 10));
    EXPECT_EQ(cards[1]->pos(), QPoint(10, 10 + 88 + 10 + 180 + 10));
    EXPECT_TRUE(cards[0]->ShowTag);
    EXPECT_EQ(cards[0]->MovieID(), QStringLiteral("1"));

    main.ClearList(TListBox::Queue);
    EXPECT_TRUE(main.findChildren<TCustomMovieThumbnail*>().isEmpty());
}

TEST(Cards, AdvertisementPictureDecodedByItsNamesExtension) {
    TTempProfile profile;
    QImage icon(32, 16, QImage::Format_RGB32);
    icon.fill(QColor(10, 200, 30));
    const auto save = [&](const char* name, const char* format) {
        const std::string path = profile.Path(name);
        EXPECT_TRUE(icon.save(QString::fromStdString(path), format)) << name;
        return path;
    };
    const std::string png = save("ad.png", "PNG");
    const std::vector<std::string> understood{png, save("ad.bmp", "BMP"), save("ad.ico", "ICO"),
                                              save("ad.jpeg", "JPEG")};
    for (const std::string& path : understood) {
        TAdvertismentThumbnail card;
        EXPECT_TRUE(card.Picture()->LoadFromFile(path)) << path;
        EXPECT_EQ(card.MoviePicture().size(), QSize(32, 16)) << path;
    }
    // Qt writes no GIF; our progress animation is one.
    WriteFile(profile.Path("ad.GIF"), ReadFile(PLOTVANE_SOURCE_DIR "/resources/progress.gif"));
    TAdvertismentThumbnail gifCard;
    EXPECT_TRUE(gifCard.Picture()->LoadFromFile(profile.Path("ad.GIF")));
    EXPECT_EQ(gifCard.MoviePicture().size(), QSize(104, 34));
    // Pictures Qt could read, but of kinds an advertisement does not come in, or with no extension.
    const std::vector<std::string> refused{save("ad.xpm", "XPM"), save("ad.ppm", "PPM"), save("ad", "PNG")};
    // A PNG under a JPEG name is decoded as a JPEG, and fails.
    WriteFile(profile.Path("png.jpg"), ReadFile(png));
    for (const std::string& path : {refused[0], refused[1], refused[2], profile.Path("png.jpg")}) {
        TAdvertismentThumbnail card;
        EXPECT_FALSE(card.Picture()->LoadFromFile(path)) << path;
        EXPECT_TRUE(card.MoviePicture().isNull()) << path;
    }
}

TEST(CardPicture, ABoxArtOfFullSizeIsKeptNoLargerThanACardNeeds) {
    // 4096 x 4096 whole would be 48 MiB per card; cards draw it at 110 x 150.
    TTempProfile profile;
    const std::string path = profile.Path("70001148.jpg");
    WriteFile(path, MakeJpeg(4096, 4096));
    TMovieThumbnail card;
    ASSERT_TRUE(card.Picture()->LoadFromFile(path));
    EXPECT_EQ(card.MoviePicture().size(), QSize(150, 150)) << "covers the 110 x 150 frame, its shape kept";
    // A wide one keeps its shape too: the advertisement's card fits it by its proportions.
    WriteFile(path, MakeJpeg(2000, 500));
    ASSERT_TRUE(card.Picture()->LoadFromFile(path));
    EXPECT_EQ(card.MoviePicture().size(), QSize(600, 150));
    // One already smaller than the frame is kept as it is.
    WriteFile(path, MakeJpeg(100, 140));
    ASSERT_TRUE(card.Picture()->LoadFromFile(path));
    EXPECT_EQ(card.MoviePicture().size(), QSize(100, 140));
}

TEST(CardPicture, ABoxArtIsKeptAsItsBytesAndOnlyThePaintedCardsHoldItDecoded) {
    TTempProfile profile;
    const std::string path = profile.Path("70001000.jpg");
    WriteFile(path, MakeJpeg(110, 154, 7));
    const auto direct = DecodeJpegFile(path);
    ASSERT_TRUE(direct);
    const QImage expected = cardpictures::ToImage(*direct);

    std::vector<std::unique_ptr<TMovieThumbnail>> cards;
    for (int i = 0; i < 300; ++i) {
        cards.push_back(std::make_unique<TMovieThumbnail>());
        ASSERT_TRUE(cards.back()->Picture()->LoadFromFile(path));
    }
    EXPECT_EQ(cardpictures::DecodedBytes(), 0) << "nothing decoded is kept before a card paints";
    // Every card painted once, as scrolling through the list does.
    for (const auto& card : cards)
        EXPECT_EQ(card->grab().size(), card->size());
    EXPECT_GT(cardpictures::DecodedBytes(), 0);
    EXPECT_LE(cardpictures::DecodedBytes(), cardpictures::MaxDecodedBytes)
        << "300 pictures decoded would be " << 300 * expected.sizeInBytes() << " bytes";
    // What a card draws is exactly the file's picture, whether it was still decoded or not.
    EXPECT_EQ(cards.front()->MoviePicture(), expected) << "the first card's was decoded anew";
    EXPECT_EQ(cards.back()->MoviePicture(), expected);
    cards.clear();
    EXPECT_EQ(cardpictures::DecodedBytes(), 0) << "cards that go take their decoded pictures with them";
}

TEST(CardInput, ADoubleClickOpensTheMoviePageOnce) {
    TMovieThumbnail card;
    card.show();
    int clicks = 0;
    QObject::connect(&card, &TCustomMovieThumbnail::Clicked, [&] { ++clicks; });
    // What the window system delivers: the second press of a double click comes as the double click.
    const auto send = [&](QEvent::Type type, Qt::MouseButton button = Qt::LeftButton) {
        const QPointF at(50, 50);
        QMouseEvent event(type, at, card.mapToGlobal(at), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button), {});
        QApplication::sendEvent(&card, &event);
    };
    const auto click = [&](Qt::MouseButton button = Qt::LeftButton) {
        send(QEvent::MouseButtonPress, button);
        send(QEvent::MouseButtonRelease, button);
    };
    click();
    EXPECT_EQ(clicks, 1);
    click();
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2) << "the double click's first click counts, its second half does not";
    click();
    EXPECT_EQ(clicks, 3) << "the next single click counts again";
    click(Qt::RightButton);
    EXPECT_EQ(clicks, 3);
}

TEST(CardText, TheLongestTextsOfEachCardKindFitWithTheFacesInstalledHere) {
    // A returned card's one line: the longest date the service writes.
    TMovieThumbnailShort returned;
    returned.SetMovieDescription(QStringLiteral("Received on 12/28/26"));
    const int room = returned.width() - 16;
    EXPECT_LE(QFontMetrics(returned.font()).horizontalAdvance(returned.MovieDescription()), room)
        << QFontInfo(returned.font()).family().toStdString();
    // The queue's position tag holds two digits in its 20-pixel box (three stand wider, centred
    // on it, as they did with the face it was drawn for).
    TMovieThumbnail queued;
    QFont bold = queued.font();
    bold.setBold(true);
    EXPECT_LE(QFontMetrics(bold).horizontalAdvance(QStringLiteral("99")), 20) << QFontInfo(bold).family().toStdString();
}

// The box alone, without a window around it.
TEST(CardBox, TheRecentBoxPlacesItsHeadersAndThreeReturnedCardsToARow) {
    TCardBox box(TListBox::Recent, nullptr);
    box.resize(440, 456);
    box.Begin(423);
    box.Add({TCardKind::AtHome, "Metropolis", "Shipped on 12/01/26.", "http://3/", {}});
    for (int i = 0; i < 4; ++i)
        box.Add({TCardKind::Returns, "Rope " + std::to_string(i), "Received on 12/02/26", "http://4/", {}});
    box.End();
    std::vector<QPoint> returned;
    int headers = 0;
    for (QWidget* child : box.Content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (qobject_cast<TMovieThumbnailShort*>(child))
            returned.push_back(child->pos());
        else if (!qobject_cast<TCustomMovieThumbnail*>(child) && !child->isHidden())
            ++headers;
    }
    ASSERT_EQ(returned.size(), 4u);
    EXPECT_EQ(headers, 2) << "\"At home\" and \"Returns\"";
    EXPECT_EQ(returned[0].x(), 10);
    EXPECT_EQ(returned[1].x(), 147);
    EXPECT_EQ(returned[2].x(), 284);
    EXPECT_EQ(returned[3].x(), 10) << "the fourth starts a new row";
    EXPECT_GT(returned[3].y(), returned[2].y());
    EXPECT_EQ(box.Content()->height(), returned[3].y() + 194 + 10) << "ten pixels more below the last row";

    box.Clear();
    int shown = 0;
    for (QWidget* child : box.Content()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        shown += !child->isHidden();
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(box.Content()->height(), 0);
}

namespace {
// A fresh process, as a start is: the window, its icon and logo, and a card with its box art,
// all painted, without one of Qt's image plugins (each would be loaded only to be asked
// whether it reads a format).
const bool g_noImagePlugins = RegisterChildMode("no-image-plugins", [] {
    TTempProfile profile;
    SetDefaultConfig();
    const std::string picture = profile.Path("box.jpg");
    WriteFile(picture, MakeJpeg(110, 154));
    TFakeTrayShell shell;
    TfMain main(nullptr, &shell);
    main.setWindowIcon(PlotvaneIcon());
    main.show();
    main.BeginList(TListBox::Queue);
    if (!main.AddCard({TCardKind::Queue, "A film", "Its synopsis.", "http://x/", "1"})->LoadFromFile(picture))
        return 10;
    main.EndList(TListBox::Queue);
    main.ShowLists();
    if (main.grab().isNull())
        return 11;
    return platform::IsLibraryLoaded("/imageformats/") ? 12 : 0;
});
} // namespace

TEST(Cards, AStartLoadsNoImagePlugin) {
    ASSERT_TRUE(g_noImagePlugins);
    EXPECT_EQ(WaitForChild(StartChildMode("no-image-plugins")), 0);
}
