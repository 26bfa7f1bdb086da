// Writes the program's icon into a freedesktop icon theme folder: the PNG sizes a desktop asks
// for and the scalable form, all drawn by the program's own code.
//
//   plotvane-icons THEME_FOLDER ICON_NAME

#include "ui/Artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: plotvane-icons THEME_FOLDER ICON_NAME\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString theme = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    const QIcon icon = PlotvaneIcon();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        if (!QDir().mkpath(folder) ||
            !icon.pixmap(size, size).save(folder + QLatin1Char('/') + name + QStringLiteral(".png")))
            return 1;
    }
    const QString scalable = theme + QStringLiteral("/scalable/apps");
    QFile svg(scalable + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray text = PlotvaneIconSvg();
    return svg.write(text) == text.size() ? 0 : 1;
}
