#pragma once

// Pictures and drawing into views: PNG pictures, pictures scaled into a rectangle, and
// word-wrapped text boxes cut with an ellipsis.

#include "platform/WindowTypes.h"

#include <QString>
#include <QStringList>
#include <QUrl>

namespace platform {

// Null when the file is missing or not a PNG picture.
CGImageRef CGImageCreateWithPNGFile(const QUrl& url);
std::size_t CGImageGetWidth(const CGImageRef& image);
std::size_t CGImageGetHeight(const CGImageRef& image);

// Draws the picture scaled into the rectangle (view coordinates, top down).
OSStatus HIViewDrawCGImage(CGContextRef context, const HIRect& rect, const CGImageRef& image);
// The desktop's keyboard-focus ring just inside rect, when the control being drawn has the
// keyboard focus; nothing otherwise.
OSStatus HIThemeDrawFocusRect(CGContextRef context, const HIRect& rect);

// Draws the text in the box: wrapped at word boundaries, flush left and top. With end
// truncation, the text stops after truncationMaxLines lines, or at the last line that fits
// the box's height if that comes first, and that line ends with an ellipsis.
OSStatus HIThemeDrawTextBox(const QString& text, const HIRect& box, HIThemeTextInfo* textInfo,
                            CGContextRef context, UInt32 orientation);
// The lines that HIThemeDrawTextBox draws for the text.
QStringList HIThemeLayoutTextBox(const QString& text, const HIRect& box,
                                 const HIThemeTextInfo& textInfo);
// Line height of a theme font.
CGFloat HIThemeFontLineHeight(UInt16 fontID);

// Sets an image view's picture (a label of the form); null clears it.
OSStatus HIViewSetImage(ControlRef imageView, const CGImageRef& image);

// Saves the window as it looks now (frame contents) to a PNG file.
OSStatus SaveWindowImage(WindowRef window, const QString& path);

} // namespace platform
