#include "app/CMainDialog.h"

#include "app/AppConstants.h"
#include "app/StartupReport.h"
#include "catalogue/Preference.h"
#include "catalogue/SettingFileEx.h"
#include "config/UFile.h"
#include "localize/Alert.h"
#include "localize/HelpFile.h"
#include "localize/Localize.h"
#include "platform/Drawing.h"
#include "platform/Windowing.h"
#include "ui/CControl.h"
#include "ui/CImagePushButton.h"
#include "ui/TCarbonEvent.h"

#include <QSet>
#include <new>

CMainDialog* CMainDialog::sMainDialog = nullptr;

namespace {

constexpr qsizetype kMaxMenuItems = 0xFFFF; // menu item indexes are 16-bit

constexpr ControlID MainID(long number) {
    return ControlID{CMainDialog::kSignature, SInt32(number)};
}

} // namespace

OSStatus CMainDialog::Create() {
    auto* dialog = new (std::nothrow) CMainDialog;
    if (!dialog || dialog->Initialize() != noErr) {
        delete dialog;
        CAlert::AlertIniFileNotFound();
        return paramErr;
    }
    delete sMainDialog;
    sMainDialog = dialog;
    dialog->Show();
    return noErr;
}

void CMainDialog::DisposeMainDialog() {
    delete sMainDialog;
    sMainDialog = nullptr;
}

void CMainDialog::BringMainDialogForward() {
    if (!sMainDialog || !sMainDialog->GetWindowRef())
        return;
    platform::ShowWindow(sMainDialog->GetWindowRef());
    platform::SelectWindow(sMainDialog->GetWindowRef());
}

CMainDialog::CMainDialog() : TWindow(QLatin1String(kMainDialogName), QLatin1String(kNibName)) {
    if (GetWindowRef())
        platform::RepositionWindow(GetWindowRef(), nullptr, kWindowCenterOnMainScreen);
    for (int slot = 0; slot < kToolCount; ++slot) {
        if (ControlRef control = GetView(kSignature, kAppButtonIDList[slot]))
            fAppButtons[slot] = std::make_unique<CImagePushButton>(control);
    }
}

CMainDialog::~CMainDialog() {
    if (sMainDialog == this)
        sMainDialog = nullptr;
}

OSStatus CMainDialog::Initialize() {
    if (!platform::IsValidWindowPtr(GetWindowRef()))
        return paramErr;
    SetBGImage();
    if (AddPrinterListMenu() != noErr)
        return paramErr;
    LocalizeSelf();
    return noErr;
}

void CMainDialog::SetBGImage() {
    const QUrl url = UFile::GetAppResourceFileURL(QStringLiteral("img_background.png"));
    if (url.isEmpty())
        return;
    const CGImageRef image = platform::CGImageCreateWithPNGFile(url);
    ControlRef view = GetView(kSignature, kBackgroundImage);
    if (image && view)
        platform::HIViewSetImage(view, image);
}

void CMainDialog::LocalizeSelf() {
    WindowRef window = GetWindowRef();
    CLocalize* localize = CLocalize::GetInstance();
    if (!platform::IsValidWindowPtr(window) || !localize)
        return;
    localize->LocalizeWindowTitle(window, STRID_MAIN_TITLE_WINDOWTITLE);
    localize->LocalizeControl(window, MainID(kQuitButton), STRID_MAIN_BUTTON_QUIT, -1);
    localize->LocalizeControl(window, MainID(kHelpButton), STRID_MAIN_BUTTON_HELP, -1);
    localize->LocalizeControl(window, MainID(kExplanationText), STRID_MAIN_TEXT_EXPLANATION, -1);
    localize->LocalizeControl(window, MainID(kPrinterLabel), STRID_MAIN_TEXT_PRINTER, -1);
    LocalizeAppButtons();
}

void CMainDialog::LocalizeAppButtons() {
    CLocalize* localize = CLocalize::GetInstance();
    if (!localize)
        return;
    for (const long number : kAppButtonIDList) {
        ControlRef control = GetView(kSignature, number);
        if (!control)
            continue;
        // The title is also the button's name for the keyboard and assistive technology;
        // the description goes with it.
        const auto text = [&](OSType tag) {
            char stringID[256] = {};
            Size size = 0;
            QString found;
            if (platform::GetControlProperty(control, CImagePushButton::kPropertyCreator, tag,
                                             sizeof stringID - 1, &size, stringID) == noErr)
                localize->GetLocalizeString(stringID, found, nullptr, nullptr);
            return found;
        };
        const QString title = text("EXP0"_4cc);
        if (title.isEmpty())
            continue;
        platform::SetControlTitleWithCFString(control, title);
        platform::SetControlAccessibleText(control, title, text("EXP1"_4cc));
    }
}

QStringList CMainDialog::CreatePrinterListMenu() {
    QStringList list;
    const CSettingFileEx* settings = CSettingFileEx::GetInstance();
    if (!settings)
        return list;

    // Beside the ordered list, so that each duplicate check costs the same however many
    // printers there are.
    QSet<QString> listed;
    QStringList saved;
    if (CUPreference().GetPrinterList(&saved)) {
        for (const QString& name : std::as_const(saved)) {
            if (!name.isNull() && settings->IsSupportPrinter(name) && !listed.contains(name)) {
                listed.insert(name);
                list.append(name);
            }
        }
    }

    // Printers the saved list did not know go first, in catalogue order.
    return settings->CopyUnlistedPrinterNames(&listed) + list;
}

OSStatus CMainDialog::AddPrinterListMenu() {
    WindowRef window = GetWindowRef();
    if (!platform::IsValidWindowPtr(window))
        return paramErr;

    QString savedName;
    CUPreference().GetPrinterName(&savedName);

    CPopupButton popup(window, MainID(kPrinterPopup));
    const long count = popup.CountMenuItems();
    if (count < 0 || popup.DeleteMenuItems(1, ItemCount(count)) != noErr)
        return noErr;

    OSStatus result = noErr;
    QStringList list = CreatePrinterListMenu();
    if (list.isEmpty()) {
        result = paramErr;
    } else {
        if (list.size() > kMaxMenuItems)
            list.resize(kMaxMenuItems);
        // One batch: the popup's range is brought up to date once, not once per printer.
        MenuItemIndex first = 0;
        const qsizetype appended = popup.AppendMenuItemTexts(list, &first);
        const qsizetype selected = savedName.isNull() ? -1 : list.indexOf(savedName);
        if (selected >= 0 && selected < appended)
            popup.SetValue(long(first) + long(selected));
    }
    OnSelectPrinterMenu();
    return result;
}

void CMainDialog::OnSelectPrinterMenu() {
    WindowRef window = GetWindowRef();
    if (!platform::IsValidWindowPtr(window))
        return;
    CPopupButton popup(window, MainID(kPrinterPopup));
    const SInt32 value = popup.GetValue();
    fSelectedPrinterName = QString();
    fSelectedPrinterDeviceID = QString();
    if (value <= 0 || value > kMaxMenuItems)
        return;
    QString name;
    if (popup.GetMenuItemText(MenuItemIndex(value), &name) == noErr)
        fSelectedPrinterName = name;
    if (const CSettingFileEx* settings = CSettingFileEx::GetInstance())
        fSelectedPrinterDeviceID = settings->CreateCopyPrinterDevID(fSelectedPrinterName, nullptr);
    AppControl();
}

void CMainDialog::AppControl() {
    const CSettingFileEx* settings = CSettingFileEx::GetInstance();
    if (!settings)
        return;
    int shown = 0;
    for (long slot = 0; slot < kToolCount; ++slot) {
        ControlRef button = GetView(kSignature, kAppButtonIDList[slot]);
        if (!button)
            continue;
        const bool visible = settings->IsToolButtonShown(fSelectedPrinterDeviceID, slot);
        platform::HIViewSetVisible(button, visible);
        if (visible) {
            platform::HIViewPlaceInSuperviewAt(button, 32.0, 112.0 + 68.0 * shown);
            ++shown;
        }
    }
}

void CMainDialog::SavePrinterListMenu() {
    WindowRef window = GetWindowRef();
    if (!platform::IsValidWindowPtr(window))
        return;
    QStringList list;
    if (!fSelectedPrinterName.isNull())
        list.append(fSelectedPrinterName);
    CPopupButton popup(window, MainID(kPrinterPopup));
    const long count = popup.CountMenuItems();
    for (long item = 1; item <= count && item <= kMaxMenuItems; ++item) {
        QString text;
        if (popup.GetMenuItemText(MenuItemIndex(item), &text) != noErr)
            continue;
        if (!fSelectedPrinterName.isNull() && text != fSelectedPrinterName)
            list.append(text);
    }
    // The list and the selection reach the store together, whoever else quits at the time.
    CUPreference().SavePrinterSelection(list, fSelectedPrinterName);
}

void CMainDialog::Quit() {
    OnQuitButton();
}

OSStatus CMainDialog::HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) {
    if (event.GetClass() == kEventClassWindow) {
        if (event.GetKind() == kEventWindowClose) {
            OnQuitButton();
            return noErr;
        }
        if (event.GetKind() == kEventWindowDrawContent)
            StartupReport::NoteMainWindowDrawn();
    }
    return TWindow::HandleEvent(callRef, event);
}

bool CMainDialog::HandleCommand(const HICommandExtended& command) {
    switch (command.commandID) {
    case "C100"_4cc:
        OnApp01Button();
        return true;
    case "C101"_4cc:
        OnApp02Button();
        return true;
    case "C102"_4cc:
        OnApp03Button();
        return true;
    case "C103"_4cc:
        OnApp04Button();
        return true;
    case "C104"_4cc:
        OnApp05Button();
        return true;
    case "C105"_4cc:
        OnApp06Button();
        return true;
    case "C106"_4cc:
        OnApp07Button();
        return true;
    case "M100"_4cc:
        OnSelectPrinterMenu();
        return true;
    case "B101"_4cc:
        OnHelpButton();
        return true;
    case "B100"_4cc:
    case kHICommandQuit:
    case kHICommandClose:
        OnQuitButton();
        return true;
    default:
        return false;
    }
}

void CMainDialog::OnHelpButton() {
    CHelpFile help;
    help.DoHelpFile(kHelpMain);
}

void CMainDialog::OnQuitButton() {
    SavePrinterListMenu();
    platform::QuitApplicationEventLoop();
}

OSStatus CMainDialog::OnApp01Button() {
    return OnAppButton(0);
}
OSStatus CMainDialog::OnApp02Button() {
    return OnAppButton(1);
}
OSStatus CMainDialog::OnApp03Button() {
    return OnAppButton(2);
}
OSStatus CMainDialog::OnApp04Button() {
    return OnAppButton(3);
}
OSStatus CMainDialog::OnApp05Button() {
    return OnAppButton(4);
}
OSStatus CMainDialog::OnApp06Button() {
    return OnAppButton(5);
}
OSStatus CMainDialog::OnApp07Button() {
    return OnAppButton(6);
}
