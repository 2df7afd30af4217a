#pragma once

#include "catalogue/SettingFileEx.h"
#include "config/SettingFile.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace cataloguetest {

inline QVariantMap setting(const QStringList& models, const QVariantMap& initials = {},
                           const QVariantMap& functions = {}) {
    return testsupport::machineSetting(models, initials, functions);
}

// The text, or a null string for nullptr: table rows tell "no answer" from "".
inline ::testing::AssertionResult is(const QString& actual, const char* expected) {
    if (actual.isNull() == !expected && actual == QString::fromUtf8(expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << (actual.isNull() ? "null" : actual.toStdString());
}

// A launcher package in a scratch folder, with the machine-bundle folder and the tool
// folders beside it, and every singleton and test override reset around each test.
class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = std::make_unique<testsupport::FakeApplication>();
        platform::setPreferredLanguagesForTesting(QStringList{"en"});
    }
    void TearDown() override {
        app.reset();
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        platform::setSystemVersionForTesting(std::nullopt);
        platform::setPreferredLanguagesForTesting(std::nullopt);
    }
    QString base() const { return app->basePath(); }
    QString machineFolder() const { return app->tree().path("MachineBundle"); }
    QString writeBundle(const QString& name, const QVariantMap& setting,
                        const QString& version = "2.0.1") const {
        return testsupport::writeMachineBundle(app->tree(), "MachineBundle/" + name, setting,
                                               version);
    }
    // <tool>/Plugin/PrinterPlugin/<file>: a bundle folder.
    QString writePlugin(const QString& tool, const QString& file) const {
        return testsupport::writeBundle(app->tree(), tool + "/Plugin/PrinterPlugin/" + file,
                                        {{"CFBundleVersion", "1.0"}});
    }

    std::unique_ptr<testsupport::FakeApplication> app;
};

} // namespace cataloguetest
