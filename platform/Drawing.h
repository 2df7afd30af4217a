#pragma once

// Pictures and drawing into views: PNG pictures, pictures scaled into a rectangle, and
// word-wrapped text boxes cut with an ellipsis.

#include "platform/WindowTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// A PNG picture's pixels as they are drawn (32-bit, premultiplied when it has alpha): from
// the decoded copy in the user's cache folder when that copy is sound and was made from this
// very file (same size and modification time), else decoded, and the copy made afresh. Null
// when the file is missing or not a PNG picture.
QImage readPicture(const QString& pngPath);
// Where readPicture keeps the picture's decoded copy; empty without a cache folder. The copy
// is a 64-byte header ("TRPXL001", then width, height, bytes per row and QImage::Format as
// 32-bit numbers, then the PNG's size and modification time in nanoseconds as 64-bit
// numbers, all in the machine's byte order), then the rows.
QString pictureCachePath(const QString& pngPath);

// Null when the file is missing or not a PNG picture. At a scale above 1 (device pixels
// per point), the double-size variant beside the file ("name@2x.png") is taken when it
// exists; it draws at the size of the plain picture. Without a scale, the screens' highest
// scale applies.
CGImageRef CGImageCreateWithPNGFile(const QUrl& url);
CGImageRef CGImageCreateWithPNGFile(const QUrl& url, CGFloat scale);

// Device pixels per point where the view is drawn (its screen's scale).
CGFloat HIViewGetScaleFactor(ControlRef view);

// Draws the picture scaled into the rectangle (view coordinates, top down).
OSStatus HIViewDrawCGImage(CGContextRef context, const HIRect& rect, const CGImageRef& image);
// The desktop's keyboard-focus ring just inside rect, when the control being drawn has the
// keyboard focus; nothing otherwise.
OSStatus HIThemeDrawFocusRect(CGContextRef context, const HIRect& rect);

// Draws the text in the box, in opaque black: wrapped at word boundaries, flush
// left and top. With end
// truncation, the text stops after truncationMaxLines lines, or at the last line that fits
// the box's height if that comes first, and that line ends with an ellipsis.
OSStatus HIThemeDrawTextBox(const QString& text, const HIRect& box, HIThemeTextInfo* textInfo,
                            CGContextRef context, UInt32 orientation);

// Sets an image view's picture (a label of the form); null clears it.
OSStatus HIViewSetImage(ControlRef imageView, const CGImageRef& image);

} // namespace platform
