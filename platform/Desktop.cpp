#include "platform/Desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

bool openURLText(const QString& text) {
    static const QString filePrefix = QStringLiteral("file://");
    const QUrl url = text.startsWith(filePrefix) ? QUrl::fromLocalFile(text.mid(filePrefix.size()))
                                                 : QUrl(text, QUrl::TolerantMode);
    return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}

} // namespace platform
