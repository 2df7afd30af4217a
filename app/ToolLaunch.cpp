// Starting a tool for the selected printer: through the launcher service with a 'utf8'
// pass-through descriptor, or, for the tool "Stock Vault Setup.app", as a child task with
// the identifier as its argument.

#include "app/AppConstants.h"
#include "app/CLaunchUtil.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "localize/Alert.h"
#include "localize/Localize.h"
#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "platform/LaunchServices.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>

platform::ChildTask* CLaunchUtil::launchTaskP = nullptr;

namespace {

constexpr platform::FourCharCode typeUTF8Text = "utf8"_4cc;
constexpr std::size_t kDeviceIDBufferSize = 256;

// The identifier as a NUL-terminated string of at most 255 bytes; false when it does not
// fit whole, so that no tool is started for a cut-off name.
bool CopyDeviceIDCString(const QString& deviceID, char (&buffer)[kDeviceIDBufferSize]) {
    std::memset(buffer, 0, sizeof buffer);
    const QByteArray bytes = deviceID.toUtf8();
    if (bytes.size() >= qsizetype(sizeof buffer) || bytes.contains('\0'))
        return false;
    std::memcpy(buffer, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// A start that fails would otherwise look like a slow one. An installation's tables need
// not hold this identifier; without a text of its own the alert speaks English, as the
// necessary-file alert does, rather than show an empty box.
void TellToolNotStarted() {
    unsigned char message[256] = {};
    CLocalize* localize = CLocalize::GetInstance();
    const bool localized =
        localize &&
        localize->GetLocalizeString(STRID_ALERT_TEXT_TOOL_NOT_STARTED, message, nullptr, nullptr) &&
        message[0] > 0;
    CAlert::DoAlert(0, 1, nullptr, localized ? message : ALERT_ToolNotStartedMessage, nullptr,
                    nullptr);
}

} // namespace

OSStatus CMainDialog::OnAppButton(long index) {
    const CSettingFileEx* settings = CSettingFileEx::GetInstance();
    if (!settings)
        return paramErr;
    const QUrl url = settings->GetApplicationURL(index);
    if (url.isEmpty() || fSelectedPrinterDeviceID.isNull())
        return paramErr;
    if (IsNewStockProfileVault(url)) {
        const bool started = CLaunchUtil::launchApplication(url, fSelectedPrinterDeviceID);
        if (!started)
            TellToolNotStarted();
        return started;
    }
    char buffer[kDeviceIDBufferSize];
    if (!CopyDeviceIDCString(fSelectedPrinterDeviceID, buffer))
        return paramErr;
    const OSStatus result = LaunchApplication(url, buffer);
    if (result != noErr)
        TellToolNotStarted();
    return result;
}

OSStatus CMainDialog::LaunchApplication(const QUrl& appURL, const char* deviceID) {
    if (!deviceID)
        return paramErr;
    const platform::AEDescriptor descriptor{typeUTF8Text,
                                            QByteArray(deviceID, qsizetype(std::strlen(deviceID)))};
    return platform::openApplication(appURL.toLocalFile(), descriptor);
}

bool CMainDialog::IsNewStockProfileVault(const QUrl& appURL) {
    return appURL.adjusted(QUrl::StripTrailingSlash).fileName() ==
           QLatin1String("Stock Vault Setup.app");
}

platform::ChildTask* CLaunchUtil::shareTask() {
    if (!launchTaskP) {
        launchTaskP = new platform::ChildTask(QCoreApplication::instance());
        QObject::connect(launchTaskP, &platform::ChildTask::finished, launchTaskP,
                         [] { taskDidEnd(); });
    }
    return launchTaskP;
}

bool CLaunchUtil::launchApplication(const QUrl& appURL, const QString& deviceID) {
    platform::ChildTask* task = shareTask();
    if (task->isRunning())
        return true;
    const auto bundle = platform::Bundle::create(appURL.toLocalFile());
    const QString executable = platform::startableExecutable(bundle.get());
    if (executable.isEmpty())
        return false;
    return task->start(executable, QStringList{deviceID});
}

void CLaunchUtil::taskDidEnd() {
    if (!launchTaskP)
        return;
    // Called from the task's own signal: let the signal finish before the task goes.
    launchTaskP->deleteLater();
    launchTaskP = nullptr;
}
