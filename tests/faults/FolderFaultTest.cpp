// The machine catalogue over hostile folders: link loops, unreadable folders, bundles that
// vanish during the scan, and names with spaces, quotes and
// non-ASCII characters everywhere.
#include "HostileFolders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <atomic>
#include <thread>
#include <unistd.h>

using faultstest::HostileFolders;
using faultstest::kHostile;

namespace {

TEST_F(HostileFolders, LinkLoopsAndDanglingLinksAreSkipped) {
    writeBundle("Good.bundle", cataloguetest::setting({"Good 1"}));
    const QString folder = machineFolder();
    // A bundle that is the folder itself, a chain that loops, one whose Contents leads
    // back to itself, and a link to nowhere.
    ASSERT_TRUE(QFile::link(folder, folder + "/Self.bundle"));
    ASSERT_TRUE(QFile::link(folder + "/B.bundle", folder + "/A.bundle"));
    ASSERT_TRUE(QFile::link(folder + "/A.bundle", folder + "/B.bundle"));
    ASSERT_TRUE(QDir().mkpath(folder + "/Loop.bundle"));
    ASSERT_TRUE(QFile::link(folder + "/Loop.bundle", folder + "/Loop.bundle/Contents"));
    ASSERT_TRUE(QFile::link(folder + "/Gone.bundle.target", folder + "/Dangling.bundle"));
    OSStatus status = -1;
    EXPECT_EQ(scan(&status), QStringList{"Good 1"});
    EXPECT_EQ(status, noErr);
}

TEST_F(HostileFolders, UnreadableFoldersAreSkippedForAnOrdinaryUser) {
    writeBundle("Good.bundle", cataloguetest::setting({"Good 1"}));
    const QString locked = writeBundle("Locked.bundle", cataloguetest::setting({"Locked 1"}));
    const QString closed = writeBundle("Closed.bundle", cataloguetest::setting({"Closed 1"}));
    const QString secret = writeBundle("Secret.bundle", cataloguetest::setting({"Secret 1"}));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile::setPermissions(closed + "/Contents", QFileDevice::ReadOwner | QFileDevice::ReadOther);
    QFile::setPermissions(secret + "/Contents/Resources/Setting.xml", QFileDevice::WriteOwner);
    // Everything above the machine folder must be open to the other user.
    for (QString path = machineFolder(); path.count('/') > 1; path = QFileInfo(path).absolutePath())
        QFile::setPermissions(path, QFileDevice::Permissions(0x7755));
    const auto runScan = [&] {
        QProcess process;
        QStringList args{QStringLiteral(CATALOGUE_SCAN), app->packagePath()};
        if (geteuid() == 0)
            args = QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups"} + args;
        process.start(geteuid() == 0 ? QStringLiteral("setpriv") : args.takeFirst(), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
        return QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    };
    EXPECT_EQ(runScan(), (QStringList{"status=0 count=1", "Good 1"}));

    QFile::setPermissions(machineFolder(), QFileDevice::WriteOwner);
    EXPECT_EQ(runScan(), QStringList{"status=-50 count=0"});
    QFile::setPermissions(machineFolder(), QFileDevice::Permissions(0x7700));
    QFile::setPermissions(locked, QFileDevice::Permissions(0x7700));
    QFile::setPermissions(closed + "/Contents", QFileDevice::Permissions(0x7700));
}

TEST_F(HostileFolders, BundlesVanishingDuringTheScanDoNotHurt) {
    QStringList stable;
    for (int i = 0; i < 20; ++i) {
        writeBundle(QStringLiteral("Stable %1.bundle").arg(i),
                    cataloguetest::setting({QStringLiteral("Stable %1").arg(i)}));
        stable.append(QStringLiteral("Stable %1").arg(i));
    }
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        // Whole bundles and single files come and go; nothing is ever half a file, since
        // the writer replaces files whole.
        for (int round = 0; !stop; ++round) {
            const QString name = QStringLiteral("Churn %1.bundle").arg(round % 7);
            if (round % 2 == 0)
                writeBundle(name,
                            cataloguetest::setting({QStringLiteral("Churn %1").arg(round % 7)}));
            else
                QDir(machineFolder() + "/" + name).removeRecursively();
        }
    });
    for (int i = 0; i < 150; ++i) {
        QStringList models = scan();
        models.removeIf([](const QString& m) { return m.startsWith("Churn "); });
        models.sort();
        QStringList expected = stable;
        expected.sort();
        ASSERT_EQ(models, expected) << "scan " << i;
    }
    stop = true;
    churn.join();
}

TEST_F(HostileFolders, HostileNamesResolveToTheRightPaths) {
    const QString model = "MX " + kHostile;
    const QString initial = "I " + kHostile;
    writeBundle(kHostile + ".bundle",
                cataloguetest::setting({model}, {{model, initial}}, {{model, 0x7f}}));
    const QString sgtPlugin = writePlugin("Sheet Glide Tuner", "SGT" + initial + ".plugin");
    writePlugin("Stock Profile Editor", "SPE" + initial + ".plugin");
    CSupportMachine machines;
    ASSERT_EQ(machines.OnInitialize(machineFolder()), noErr);
    EXPECT_EQ(machines.GetPrinterDevID("Orvel " + model, nullptr), model);
    QString bundle;
    ASSERT_EQ(machines.GetMachineBundleNameAndVersion(model, &bundle, nullptr), noErr);
    EXPECT_EQ(bundle, kHostile + ".bundle");
    EXPECT_EQ(machines.GetApplicationURL(2).toLocalFile(),
              base() + "/Sheet Glide Tuner/Sheet Glide Tuner.app");
    EXPECT_EQ(machines.GetApplicationURL(6).toLocalFile(),
              base() + "/Stock Vault Setup/Stock Vault Setup.app");
    QString pluginPath;
    ASSERT_EQ(machines.CreateApplicationPluginPath(model, 2, &pluginPath), noErr);
    EXPECT_EQ(QFileInfo(pluginPath).canonicalFilePath(), QFileInfo(sgtPlugin).canonicalFilePath());
    EXPECT_TRUE(machines.IsSupportApplication(model, 2));
    EXPECT_TRUE(machines.IsSupportApplication(model, 3));
    EXPECT_FALSE(machines.IsSupportApplication(model, 4)); // no plug-in there
}

} // namespace
