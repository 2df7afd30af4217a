#include "app/CAboutDialog.h"

#include "app/AppConstants.h"
#include "catalogue/SettingFileEx.h"
#include "config/UFile.h"
#include "localize/Localize.h"
#include "platform/Bundle.h"
#include "platform/Drawing.h"
#include "platform/Windowing.h"
#include "ui/CControl.h"
#include "ui/TCarbonEvent.h"

#include <memory>
#include <new>

namespace {

const EventTypeSpec kMouseDownEvent = {kEventClassMouse, kEventMouseDown};

// The localized word "Version"; null without a localization object, the fixed word when
// the table has no entry for it.
QString VersionWord() {
    CLocalize* localize = CLocalize::GetInstance();
    if (!localize)
        return QString();
    QString word;
    if (localize->GetLocalizeString(STRID_ABOUT_TEXT_VERSION, word, nullptr, nullptr))
        return word;
    return QStringLiteral("Version");
}

QString VersionLine(const QString& subject, const QString& word, const QString& version) {
    QString line = subject + QStringLiteral(" (");
    if (!word.isEmpty())
        line += word + QLatin1Char(' ');
    return line + version + QLatin1Char(')');
}

} // namespace

void CAboutDialog::DoDialog(const QString& deviceID) {
    std::unique_ptr<CAboutDialog> dialog(new (std::nothrow) CAboutDialog);
    if (!dialog)
        return;
    dialog->SetSelectedPrinterDeviceID(deviceID);
    dialog->RunModal();
}

CAboutDialog::CAboutDialog() : TWindow(QLatin1String(kAboutDialogName), QLatin1String(kNibName)) {
    if (!GetWindowRef())
        return;
    platform::RepositionWindow(GetWindowRef(), nullptr, kWindowAlertPositionOnMainScreen);
    RegisterForEvents(1, &kMouseDownEvent);
}

void CAboutDialog::SetSelectedPrinterDeviceID(const QString& deviceID) {
    if (!deviceID.isNull())
        fDeviceID = deviceID;
}

QString CAboutDialog::CreateApplicationVersionString() {
    const auto bundle = platform::Bundle::mainBundle();
    const QString name = bundle ? bundle->name() : QString();
    const QString version = bundle ? bundle->version() : QString();
    return VersionLine(name, VersionWord(), version);
}

QString CAboutDialog::CreateMachineVersionString() const {
    if (fDeviceID.isNull())
        return QString(""); // no printer: an empty line
    QString version;
    if (const CSettingFileEx* settings = CSettingFileEx::GetInstance())
        settings->CreateMachineVersion(fDeviceID, &version);
    QString word = VersionWord();
    if (word.isNull())
        word = QStringLiteral("Version");
    return fDeviceID + QStringLiteral(" (") + word + QLatin1Char(' ') + version + QLatin1Char(')');
}

void CAboutDialog::SetAppImage() {
    if (!GetWindowRef())
        return;
    const QUrl url = UFile::GetAppResourceFileURL(QStringLiteral("img_about.png"));
    if (url.isEmpty())
        return;
    const CGImageRef image = platform::CGImageCreateWithPNGFile(url);
    ControlRef view = GetView(kSignature, kAppImage);
    if (image && view)
        platform::HIViewSetImage(view, image);
}

void CAboutDialog::LocalizeSelf() {
    WindowRef window = GetWindowRef();
    if (!window)
        return;
    CStaticText(window, {kSignature, SInt32(kApplicationVersionText)})
        .SetDescriptor(CreateApplicationVersionString());
    CStaticText(window, {kSignature, SInt32(kMachineVersionText)})
        .SetDescriptor(CreateMachineVersionString());
    if (CLocalize* localize = CLocalize::GetInstance())
        localize->LocalizeControl(window, {kSignature, SInt32(kCopyrightText)},
                                  STRID_ABOUT_TEXT_COPYRIGHT, -1);
}

void CAboutDialog::RunModal() {
    SetAppImage();
    LocalizeSelf();
    Show();
    if (GetWindowRef())
        platform::RunAppModalLoopForWindow(GetWindowRef());
    Hide();
}

OSStatus CAboutDialog::HandleEvent(EventHandlerCallRef, TCarbonEvent& event) {
    if (event.GetClass() == kEventClassMouse && event.GetKind() == kEventMouseDown) {
        platform::QuitAppModalLoopForWindow(GetWindowRef());
        return noErr;
    }
    return eventNotHandledErr;
}
