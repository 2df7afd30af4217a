#pragma once

#include "localize/Localize.h"
#include "support/TestSupport.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>

// A fake application whose resources hold the test forms as the interface file "main",
// three one-colour pictures and a string table.
class UiFixture : public ::testing::Test {
protected:
    static inline const QColor kNormal{200, 0, 0};
    static inline const QColor kOver{0, 200, 0};
    static inline const QColor kPressed{0, 0, 200};

    void SetUp() override {
        app = std::make_unique<testsupport::FakeApplication>();
        const QString nib = app->resourcesPath() + QStringLiteral("/main.nib");
        QDir().mkpath(nib);
        for (const QString& form : QDir(QStringLiteral(TRELLIS_UI_TEST_FORMS))
                                       .entryList({QStringLiteral("*.ui")}, QDir::Files))
            QFile::copy(QStringLiteral(TRELLIS_UI_TEST_FORMS "/") + form, nib + "/" + form);
        writePicture(QStringLiteral("normal.png"), kNormal);
        writePicture(QStringLiteral("over.png"), kOver);
        writePicture(QStringLiteral("pressed.png"), kPressed);
        writeStrings("00000000=Localized Title\n"
                     "00000013=Localized Quit\n"
                     "00000002=Localized Explanation\n"
                     "00000020=Localized Tab\n"
                     "00000021=Localized Radio\n"
                     "00000030=\n"
                     "00000100=Title of the tool\n"
                     "00000101=Description of the tool\n"
                     "00030000=Localized Help\n"
                     "00030002=Localized About\n"
                     "00010004=The manual cannot be found.\n");
    }

    void TearDown() override {
        CLocalize::DestroyInstance();
        app.reset();
    }

    void writePicture(const QString& name, const QColor& colour) const {
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(colour);
        image.save(app->resourcesPath() + QLatin1Char('/') + name, "PNG");
    }

    // Replaces the string table; the next GetInstance reads it.
    void writeStrings(const QByteArray& lines) const {
        CLocalize::DestroyInstance();
        app->writeSetting(QStringLiteral("Localize.ini"), "[STRING]\n" + lines);
        app->writeSetting(QStringLiteral("L_Const.ini"), "[STRING]\n");
        app->writeSetting(QStringLiteral("L_Font.ini"), "00999999=13,0,0,0\n");
    }

    std::unique_ptr<testsupport::FakeApplication> app;
};
