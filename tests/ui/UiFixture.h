#pragma once

#include "localize/Localize.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/TestSupport.h"
#include "ui/TWindow.h"

#include <QDir>
#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

using Log = std::vector<QString>;

// A window from the test forms that logs its commands (and answers them when told to).
class RecordingWindow : public TWindow {
public:
    RecordingWindow(Log* log, const QString& form) : TWindow(form, "main"), log(log) {}
    ~RecordingWindow() override { log->push_back("destroyed"); }
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("window " + platform::fourCharCodeToString(command.commandID));
        return handles;
    }
    Log* log;
    bool handles = false;
};

// A fake application whose resources hold the test forms as the interface file "main",
// three one-colour pictures and a string table.
class UiFixture : public ::testing::Test {
protected:
    static inline const QColor kNormal{200, 0, 0}, kOver{0, 200, 0}, kPressed{0, 0, 200};

    void SetUp() override {
        const QString nib = app->resourcesPath() + "/main.nib/";
        QDir().mkpath(nib);
        for (const QString& form : QDir(TRELLIS_UI_TEST_FORMS).entryList(QDir::Files))
            QFile::copy(QStringLiteral(TRELLIS_UI_TEST_FORMS "/") + form, nib + form);
        for (const auto& [name, colour] :
             {std::pair{"normal.png", kNormal}, {"over.png", kOver}, {"pressed.png", kPressed}})
            writePicture(name, colour);
        writeStrings("00000000=Localized Title\n00000013=Localized Quit\n00000030=\n"
                     "00000002=Localized Explanation\n00000003=One\\nTwo\n00000020=Localized Tab\n"
                     "00000021=Localized Radio\n00000100=Title of the tool\n"
                     "00000101=Description of the tool\n00030000=Localized Help\n"
                     "00030002=Localized About\n00010004=The manual cannot be found.\n");
    }
    void TearDown() override {
        window.reset();
        CLocalize::DestroyInstance();
    }
    void writePicture(const QString& name, const QColor& colour, QSize size = {40, 20}) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        image.save(app->resourcesPath() + "/" + name, "PNG");
    }
    // Replaces the string table; the next GetInstance reads it.
    void writeStrings(const QByteArray& lines) const {
        CLocalize::DestroyInstance();
        app->writeSetting("Localize.ini", "[STRING]\n" + lines);
        app->writeSetting("L_Const.ini", "[STRING]\n");
        app->writeSetting("L_Font.ini", "00999999=13,0,0,0\n");
    }
    void open(const QString& form) {
        window = std::make_unique<RecordingWindow>(&log, form);
        ASSERT_NE(window->GetWindowRef(), nullptr);
    }
    ControlRef view(long id) const { return window->GetView("MAIN"_4cc, id); }
    QWidget* widget(long id) const { return platform::widgetForTesting(view(id)); }

    std::unique_ptr<testsupport::FakeApplication> app =
        std::make_unique<testsupport::FakeApplication>();
    Log log;
    std::unique_ptr<RecordingWindow> window;
};
