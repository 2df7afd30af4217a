// The catalogue over ten thousand bundles below a hostile folder: every printer found, in
// order, with its initial and tools. Slow under the sanitizers.
#include "HostileFolders.h"

#include <QElapsedTimer>
#include <cstdio>

using faultstest::HostileFolders;

namespace {

TEST_F(HostileFolders, TenThousandBundles) {
    const QByteArray info = testsupport::xmlPropertyList(QVariantMap{{"CFBundleVersion", "1.0"}});
    for (int i = 0; i < 10000; ++i) {
        const QString root = QStringLiteral("MachineBundle/M %1 'q'.bundle/Contents/").arg(i);
        app->tree().write(root + "Info.plist", info);
        app->tree().write(root + "Resources/Setting.xml",
                          testsupport::xmlPropertyList(cataloguetest::setting(
                              {QStringLiteral("Model %1").arg(i)},
                              {{QStringLiteral("Model %1").arg(i), QStringLiteral("I%1").arg(i)}},
                              {{QStringLiteral("Model %1").arg(i), 4}})));
    }
    QElapsedTimer timer;
    timer.start();
    CSupportMachine machines;
    ASSERT_EQ(machines.OnInitialize(machineFolder()), noErr);
    std::printf("scan of 10000 bundles: %lld ms\n", static_cast<long long>(timer.elapsed()));
    ASSERT_EQ(machines.GetSupportPrinterCount(), 10000);
    for (int i : {0, 4999, 9999}) {
        const QString model = QStringLiteral("Model %1").arg(i);
        long index = -1;
        EXPECT_EQ(machines.GetPrinterDevID("Orvel " + model, &index), model);
        EXPECT_EQ(machines.GetPrinterInitial(model), QStringLiteral("I%1").arg(i));
        EXPECT_EQ(machines.GetFunctionAttribute(model), 4);
        EXPECT_EQ(machines.GetPrinterNameWithIndex(index), model);
    }
}

} // namespace
