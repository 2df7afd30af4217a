#pragma once

#include "ui/TWindow.h"

#include <QString>

// The modal About box: the application's and the selected printer's versions and the
// notice text; a click anywhere in it closes it.
class CAboutDialog : public TWindow {
public:
    static constexpr OSType kSignature = "ABOU"_4cc;
    static constexpr long kApplicationVersionText = 2000;
    static constexpr long kMachineVersionText = 2001;
    static constexpr long kCopyrightText = 2002;
    static constexpr long kAppImage = 2700;

    // Builds the box, runs it modally and destroys it. deviceID may be null.
    static void DoDialog(const QString& deviceID);

    CAboutDialog();
    ~CAboutDialog() override = default;

    // A null identifier leaves the stored one.
    void SetSelectedPrinterDeviceID(const QString& deviceID);
    QString GetSelectedPrinterDeviceID() const { return fDeviceID; }
    // "<name> (<Version> <version>)".
    static QString CreateApplicationVersionString();
    // "<identifier> (<Version> <machine version>)"; empty without an identifier.
    QString CreateMachineVersionString() const;
    void SetAppImage();
    void LocalizeSelf();
    virtual void RunModal();

    OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) override;

private:
    QString fDeviceID;
};
