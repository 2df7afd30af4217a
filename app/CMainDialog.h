#pragma once

#include "config/SettingFile.h"
#include "ui/TWindow.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <array>
#include <memory>

class CImagePushButton;

// The control numbers (signature 'MAIN') of the tool buttons, by tool slot.
inline constexpr long kAppButtonIDList[kToolCount] = {1900, 1901, 1902, 1903, 1904, 1905, 1906};

// The launcher's window: the printer popup, the tool buttons of the selected printer, Help
// and Quit. The popup's list and selection are saved to the preferences when quitting.
class CMainDialog : public TWindow {
public:
    static constexpr OSType kSignature = "MAIN"_4cc;
    static constexpr long kExplanationText = 1000;
    static constexpr long kPrinterLabel = 1001;
    static constexpr long kQuitButton = 1100;
    static constexpr long kHelpButton = 1101;
    static constexpr long kPrinterPopup = 1400;
    static constexpr long kBackgroundImage = 1700;

    // Creates, initializes and shows the one main dialog: 0, or paramErr after the alert.
    static OSStatus Create();
    // The dialog that Create made; null before and after.
    static CMainDialog* GetMainDialog() { return sMainDialog; }
    static void DisposeMainDialog();
    // Shows the dialog and brings it to the front, when there is one.
    static void BringMainDialogForward();

    CMainDialog();
    ~CMainDialog() override;

    OSStatus Initialize();
    void LocalizeSelf();
    void SetBGImage();
    static QStringList CreatePrinterListMenu();
    OSStatus AddPrinterListMenu();
    void SavePrinterListMenu();
    // Null while no printer is selected.
    QString GetSelectedPrinterDeviceID() const { return fSelectedPrinterDeviceID; }
    QString GetSelectedPrinterName() const { return fSelectedPrinterName; }
    void AppControl();
    void Quit();

    OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) override;
    bool HandleCommand(const HICommandExtended& command) override;

    virtual void OnSelectPrinterMenu();
    virtual void OnHelpButton();
    virtual void OnQuitButton();
    virtual OSStatus OnAppButton(long index);
    virtual OSStatus OnApp01Button();
    virtual OSStatus OnApp02Button();
    virtual OSStatus OnApp03Button();
    virtual OSStatus OnApp04Button();
    virtual OSStatus OnApp05Button();
    virtual OSStatus OnApp06Button();
    virtual OSStatus OnApp07Button();

    // Opens the tool through the launcher service with the identifier as a 'utf8'
    // pass-through descriptor.
    OSStatus LaunchApplication(const QUrl& appURL, const char* deviceID);
    // True when the application's file name is exactly "Stock Vault Setup.app".
    static bool IsNewStockProfileVault(const QUrl& appURL);

private:
    // The tool buttons carry their localized titles as their own (accessible) names.
    void LocalizeAppButtons();

    std::array<std::unique_ptr<CImagePushButton>, kToolCount> fAppButtons;
    QString fSelectedPrinterName;
    QString fSelectedPrinterDeviceID;

    static CMainDialog* sMainDialog;
};
