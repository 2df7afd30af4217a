#include "setup_launcher/SetupLauncher.h"

#include "config/UFile.h"
#include "localize/Alert.h"
#include "localize/Localize.h"
#include "localize/RequiredFiles.h"
#include "platform/Alert.h"
#include "platform/AppleEvents.h"
#include "platform/SingleInstance.h"
#include "platform/Translations.h"
#include "setup_launcher/PluginHolder.h"
#include "setup_launcher/SettingDictionary.h"

#include <QApplication>
#include <QEventLoop>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace setup_launcher {

char gDeviceID[256] = {};

namespace {

constexpr platform::FourCharCode kCoreEventClass = "aevt"_4cc;
constexpr platform::FourCharCode kOpenApplication = "oapp"_4cc;
constexpr platform::FourCharCode keyAEPropData = "prdt"_4cc;
constexpr platform::FourCharCode typeUTF8Text = "utf8"_4cc;

QEventLoop* sLaunchEventLoop = nullptr;

void AlertWithStringID(const char* stringID) {
    CAlert::DoAlert(0, 1, stringID, nullptr, nullptr, nullptr);
}

// Runs the event loop until the open-application event has been handled. The launch
// hand-off always yields that event, with or without an identifier.
void RunLaunchEventLoop() {
    QEventLoop loop;
    sLaunchEventLoop = &loop;
    platform::scheduleOpenApplicationEvent();
    loop.exec();
    sLaunchEventLoop = nullptr;
}

// The identifier as a string; false when there is none or its bytes are not UTF-8.
bool CreateDeviceID(QString* deviceID) {
    if (gDeviceID[0] == '\0')
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(QByteArrayView(gDeviceID, qstrlen(gDeviceID)));
    if (decoder.hasError())
        return false;
    *deviceID = text;
    return true;
}

// Resolves, loads and calls the plug-in; false when any of that fails before the call.
template <class Holder, class IsLoaded>
bool RunPlugin(const QString& deviceID, IsLoaded isLoaded) {
    CSettingDictionary* dictionary = CSettingDictionary::GetInstance(deviceID);
    if (!dictionary)
        return false;
    QString path;
    if (!dictionary->CreatePluginPath(&path))
        return false;
    Holder plugin(path);
    if (!isLoaded(plugin.Initialize()))
        return false;
    // What the plug-in answers is its own business.
    plugin.OpenSetUpDialog(deviceID);
    return true;
}

void Finish() {
    CSettingDictionary::DestroyInstance();
    CLocalize::DestroyInstance();
}

} // namespace

int AppleEventHandler(const platform::AppleEvent& event) {
    std::memset(gDeviceID, 0, sizeof gDeviceID);
    int status = errAEDescNotFound;
    if (const platform::AEDescriptor* parameter = event.parameter(keyAEPropData)) {
        if (parameter->type == typeUTF8Text) {
            // The last byte stays NUL: a longer identifier is cut to 255 bytes.
            const qsizetype count =
                std::min<qsizetype>(parameter->data.size(), sizeof gDeviceID - 1);
            std::memcpy(gDeviceID, parameter->data.constData(), static_cast<size_t>(count));
            status = noErr;
        } else {
            status = errAECoercionFail;
        }
    }
    if (sLaunchEventLoop)
        sLaunchEventLoop->quit();
    return status;
}

int SheetGlideTunerMain() {
    std::memset(gDeviceID, 0, sizeof gDeviceID);
    CSettingDictionary::SetPluginPathFormat(QLatin1String(sgt::kPluginPathFormat));

    // The files first: a broken installation says so at once, without waiting for the
    // launch event.
    if (!URequiredFiles::AllExist(URequiredFiles::kSetupLauncher)) {
        CAlert::AlertIniFileNotFound();
        Finish();
        return 0;
    }

    platform::installAppleEventHandler(kCoreEventClass, kOpenApplication, &AppleEventHandler);
    RunLaunchEventLoop();
    platform::removeAppleEventHandler(kCoreEventClass, kOpenApplication);

    QString deviceID;
    if (!CreateDeviceID(&deviceID)) {
        AlertWithStringID(sgt::STRID_ALERT_TEXT_PARAM_ERR);
    } else if (!RunPlugin<CSGTPlugin>(deviceID, [](int32_t status) { return status == 0; })) {
        AlertWithStringID(sgt::STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND);
    }
    Finish();
    return 0;
}

int StockProfileEditorMain() {
    CSettingDictionary::SetPluginPathFormat(QLatin1String(spe::kPluginPathFormat));

    // The launch event first, then the files.
    platform::installAppleEventHandler(kCoreEventClass, kOpenApplication, &AppleEventHandler);
    RunLaunchEventLoop();

    if (!URequiredFiles::AllExist(URequiredFiles::kSetupLauncher)) {
        CAlert::AlertIniFileNotFound();
        Finish();
        return 0;
    }
    CLocalize::GetInstance();

    QString deviceID;
    if (!CreateDeviceID(&deviceID)) {
        AlertWithStringID(spe::STRID_ALERT_TEXT_PARAM_ERR);
    } else if (!RunPlugin<CSPEPlugin>(deviceID, [](bool loaded) { return loaded; })) {
        AlertWithStringID(spe::STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND);
    }
    Finish();
    return 0;
}

int RunProgram(int argc, char** argv, const char* settingFolderName, int (*programMain)()) {
    platform::initializeProcess();
    QApplication application(argc, argv);
    if (!platform::SingleInstance::claimForProgram([] { platform::bringApplicationToFront(); }))
        return 0;
    platform::installToolkitTranslations();
    UFile::SetSettingFolderName(QLatin1String(settingFolderName));
    return programMain();
}

} // namespace setup_launcher
