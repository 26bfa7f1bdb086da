#pragma once

#include <QByteArray>
#include <QPixmap>

/**
 * The artwork that never changes, drawn from code: the program's icon and the header's logo.
 * tools/make-icons draws them when the program is built, into the icon theme and into the
 * program's own resources, so that a start loads them instead of drawing them.
 */
namespace artwork {

/** The sizes the icon is drawn at, for the desktop and for the program's windows. */
inline constexpr int IconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

/** A pixmap of w x h logical pixels at the device pixel ratio, filled. */
QPixmap Canvas(int w, int h, qreal ratio, Qt::GlobalColor fill);

/** The program's icon at a size: a film reel on a rounded tile. */
QPixmap DrawIcon(int size);

/** The header logo, 150 x 26 at the device pixel ratio: the reel (22 x 22) and the name. */
QPixmap DrawLogo(qreal ratio, const QPixmap& reel);

/** The icon as scalable vector graphics, 256 units square, for the desktop's icon theme. */
QByteArray IconSvg();

/**
 * The form the build stores a drawn picture in among the program's resources: a header (a
 * mark, the width and the height) and the pixels as premultiplied ARGB32 in the machine's own
 * order (the build and the program run on one machine kind), row after row. It
 * is read without an image reader, which would load every image plugin Qt has to ask each
 * whether it reads the format, at every start.
 */
QByteArray ToStored(const QImage& image);
/** The picture stored in data, or a null image when data is not a whole picture of that form. */
QImage FromStored(QByteArrayView data);

} // namespace artwork
