// Draws the artwork that never changes, with the program's own drawing code, so that neither the
// program nor the desktop draws it again:
//
//   plotvane-icons THEME_FOLDER ICON_NAME   the icon theme: the PNG sizes a desktop asks for and
//                                           the scalable form
//   plotvane-icons --resources FOLDER       the program's resources: icon-SIZE.pic, logo.pic (the
//                                           stored form of ui/artwork) and artwork.qrc naming them

#include "ui/artwork/Drawn.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>
#include <cstring>

namespace {

bool WriteStored(const QString& path, const QPixmap& picture) {
    QFile file(path);
    const QByteArray stored = artwork::ToStored(picture.toImage());
    return file.open(QIODevice::WriteOnly) && file.write(stored) == stored.size();
}

bool WriteResources(const QString& folder) {
    if (!QDir().mkpath(folder))
        return false;
    QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/artwork\">\n";
    for (int size : artwork::IconSizes) {
        const QString name = QStringLiteral("icon-%1.pic").arg(size);
        if (!WriteStored(folder + QLatin1Char('/') + name, artwork::DrawIcon(size)))
            return false;
        qrc += "  <file>" + name.toUtf8() + "</file>\n";
    }
    // At the common scale only: other scales draw the logo as they start.
    if (!WriteStored(folder + QStringLiteral("/logo.pic"), artwork::DrawLogo(1.0, artwork::DrawIcon(22))))
        return false;
    qrc += "  <file>logo.pic</file>\n</qresource>\n</RCC>\n";
    QFile file(folder + QStringLiteral("/artwork.qrc"));
    return file.open(QIODevice::WriteOnly) && file.write(qrc) == qrc.size();
}

bool WriteTheme(const QString& theme, const QString& name) {
    for (int size : artwork::IconSizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        if (!QDir().mkpath(folder) ||
            !artwork::DrawIcon(size).save(folder + QLatin1Char('/') + name + QStringLiteral(".png")))
            return false;
    }
    const QString scalable = theme + QStringLiteral("/scalable/apps");
    QFile svg(scalable + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = artwork::IconSvg();
    return svg.write(text) == text.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plotvane-icons THEME_FOLDER ICON_NAME\n"
                             "       plotvane-icons --resources FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool resources = std::strcmp(argv[1], "--resources") == 0;
    const bool done = resources ? WriteResources(QString::fromLocal8Bit(argv[2]))
                                : WriteTheme(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    return done ? 0 : 1;
}
