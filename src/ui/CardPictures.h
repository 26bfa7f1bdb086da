#pragma once

#include <QByteArray>
#include <QImage>

struct TDecodedPicture;
class TCustomMovieThumbnail;

/**
 * The decoded box art of the cards being painted. A card keeps its picture as JPEG bytes (a few
 * kilobytes); what it draws is decoded here when it paints, and the most recently painted cards
 * keep theirs decoded, so that scrolling through a page decodes each picture once. A list of a
 * thousand cards then costs a few megabytes of pictures, not fifty.
 */
namespace cardpictures {

/** The most a kept JPEG may be: a larger file is kept as its reduced copy instead. */
inline constexpr std::size_t MaxKeptJpeg = std::size_t{64} * 1024;
/** How many bytes of decoded pictures are kept at most: a few pages of cards. */
inline constexpr qsizetype MaxDecodedBytes = qsizetype{4} * 1024 * 1024;

/** The card's picture decoded from its bytes; null when they do not decode. */
QImage Decoded(const TCustomMovieThumbnail* card, const QByteArray& jpeg);
/** The card goes, or its picture changes: its decoded picture is dropped. */
void Forget(const TCustomMovieThumbnail* card);
/** How many bytes of decoded pictures are kept now (for tests and benchmarks). */
qsizetype DecodedBytes();

QImage ToImage(const TDecodedPicture& picture);
/** A picture as a JPEG of high quality, for a reduced copy of a large box art. */
QByteArray Encode(const QImage& picture);

} // namespace cardpictures
