#pragma once

#include "catalogue/SettingFileEx.h"
#include "config/SettingFile.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <memory>

namespace cataloguetest {

inline QVariantMap setting(const QStringList& models, const QVariantMap& initials = {},
                           const QVariantMap& functions = {}) {
    QVariantMap map{{QStringLiteral("MODEL"), models}};
    if (!initials.isEmpty())
        map.insert(QStringLiteral("INITIAL"), initials);
    if (!functions.isEmpty())
        map.insert(QStringLiteral("FUNCTION"), functions);
    return map;
}

// A launcher package in a scratch folder, with the machine-bundle folder and the tool
// folders beside it, and every singleton and test override reset around each test.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<testsupport::FakeApplication>();
        platform::setPreferredLanguagesForTesting(QStringList{QStringLiteral("en")});
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
    }
    void TearDown() override {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        platform::setSystemVersionForTesting(std::nullopt);
        platform::setPreferredLanguagesForTesting(std::nullopt);
        app.reset();
    }

    QString base() const { return app->basePath(); }
    QString machineFolder() const { return app->tree().path(QStringLiteral("MachineBundle")); }

    // MachineBundle/<name>/Contents/{Info.plist, Resources/Setting.xml}.
    QString writeBundleRaw(const QString& name, const QByteArray& settingXml,
                           const QString& version = QStringLiteral("2.0.1")) const {
        const QString root = QStringLiteral("MachineBundle/") + name;
        QVariantMap info{{QStringLiteral("CFBundleName"), name}};
        if (!version.isNull())
            info.insert(QStringLiteral("CFBundleVersion"), version);
        app->tree().write(root + QStringLiteral("/Contents/Info.plist"),
                          testsupport::xmlPropertyList(info));
        app->tree().write(root + QStringLiteral("/Contents/Resources/Setting.xml"), settingXml);
        return app->tree().path(root);
    }
    QString writeBundle(const QString& name, const QVariantMap& settingMap,
                        const QString& version = QStringLiteral("2.0.1")) const {
        return writeBundleRaw(name, testsupport::xmlPropertyList(settingMap), version);
    }

    // <tool>/Plugin/PrinterPlugin/<file>/Contents/Info.plist.
    QString writePlugin(const QString& tool, const QString& file) const {
        const QString root = tool + QStringLiteral("/Plugin/PrinterPlugin/") + file;
        app->tree().write(
            root + QStringLiteral("/Contents/Info.plist"),
            testsupport::xmlPropertyList(QVariantMap{{QStringLiteral("CFBundleVersion"), "1.0"}}));
        return app->tree().path(root);
    }

    void writeSettingIni(const QByteArray& lfText) const {
        app->writeSetting(QStringLiteral("Setting.ini"), lfText);
    }

    std::unique_ptr<testsupport::FakeApplication> app;
};

} // namespace cataloguetest
