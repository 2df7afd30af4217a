#include "AppFixture.h"
#include "app/CMainDialog.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/CControl.h"

#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

using apptest::AppTest;
using apptest::Printer;

namespace {

constexpr int kTools135 = 1 | 4 | 16;
constexpr int kAllTools = 127;

class MainDialogTest : public apptest::MainDialogFixture {
protected:
    static void click(CMainDialog* dialog, long number) {
        QWidget* widget = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }

    // Numbers of the visible tool buttons and their positions, in slot order.
    static QList<QPair<long, QPoint>> shownButtons(CMainDialog* dialog) {
        QList<QPair<long, QPoint>> shown;
        for (const long number : kAppButtonIDList) {
            ControlRef button = dialog->GetView("MAIN"_4cc, number);
            if (!button || !platform::IsControlVisible(button))
                continue;
            HIRect frame;
            platform::HIViewGetFrame(button, &frame);
            shown.append({number, QPoint(int(frame.origin.x), int(frame.origin.y))});
        }
        return shown;
    }

    void writeFivePrinters() const {
        writeCatalogue({{"P-100", "P1", 1},
                        {"P-200", "P2", 2},
                        {"P-300", "P3", 4},
                        {"P-400", "P4", 8},
                        {"P-500", "P5", 16}});
    }
};

TEST_F(MainDialogTest, FirstRunListsTheCatalogueAndSelectsTheFirst) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 2}, {"MX-C", "C", 4}});
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(popupItems(dialog), QStringList({"Orvel MX-A", "Orvel MX-B", "Orvel MX-C"}));
    EXPECT_EQ(popupValue(dialog), 1);
    EXPECT_EQ(dialog->GetSelectedPrinterName(), "Orvel MX-A");
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-A");
    EXPECT_TRUE(platform::widgetForTesting(dialog->GetWindowRef())->isVisible());
    EXPECT_TRUE(alerts.isEmpty());
    // Nothing is written before quitting.
    EXPECT_TRUE(savedList().isEmpty());
}

TEST_F(MainDialogTest, TheSavedListKeepsItsOrderAndSelection) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 2}, {"MX-C", "C", 4}});
    savePreferences({"Orvel MX-C", "Orvel MX-A", "Orvel MX-B"}, "Orvel MX-A");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(popupItems(dialog), QStringList({"Orvel MX-C", "Orvel MX-A", "Orvel MX-B"}));
    EXPECT_EQ(popupValue(dialog), 2);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-A");
}

TEST_F(MainDialogTest, NewPrintersComeFirstInCatalogueOrder) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-N1", "N1", 1}, {"MX-B", "B", 2}, {"MX-N2", "N2", 1}});
    savePreferences({"Orvel MX-B", "Orvel MX-A"}, "Orvel MX-B");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(popupItems(dialog),
              QStringList({"Orvel MX-N1", "Orvel MX-N2", "Orvel MX-B", "Orvel MX-A"}));
    EXPECT_EQ(popupValue(dialog), 3);
}

TEST_F(MainDialogTest, UnsupportedAndDuplicateEntriesDropOut) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 2}});
    savePreferences({"Orvel MX-GONE", "Orvel MX-B", "Orvel MX-B", "MX-A", "Orvel MX-A"},
                    "Orvel MX-GONE");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    // A bare device identifier is a supported name too, so it stays as it was saved.
    EXPECT_EQ(popupItems(dialog), QStringList({"Orvel MX-B", "MX-A", "Orvel MX-A"}));
    // The saved selection is gone: the first item is selected.
    EXPECT_EQ(popupValue(dialog), 1);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-B");
}

TEST_F(MainDialogTest, NoPrinterGivesTheAlertAndNoWindow) {
    EXPECT_EQ(CMainDialog::Create(), -50);
    EXPECT_EQ(CMainDialog::GetMainDialog(), nullptr);
    EXPECT_EQ(alerts,
              QStringList{"The necessary file cannot be found. Install the program again."});
}

TEST_F(MainDialogTest, OnlySupportedToolsAreShownStackedWithoutGaps) {
    writeCatalogue({{"MX-135", "T", kTools135}, {"MX-ALL", "L", kAllTools}});
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    const QList<QPair<long, QPoint>> expected135 = {
        {1900, {32, 112}}, {1902, {32, 180}}, {1904, {32, 248}}};
    EXPECT_EQ(shownButtons(dialog), expected135);

    choose(dialog, 2);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-ALL");
    QList<QPair<long, QPoint>> expectedAll;
    for (int slot = 0; slot < 7; ++slot)
        expectedAll.append({1900 + slot, {32, 112 + 68 * slot}});
    EXPECT_EQ(shownButtons(dialog), expectedAll);

    choose(dialog, 1);
    EXPECT_EQ(shownButtons(dialog), expected135);
}

TEST_F(MainDialogTest, ToolsWithoutPluginOrApplicationSlotStayHidden) {
    // The mask offers tools 1 and 2, but only tool 1's plug-in exists.
    writeCatalogue({{"MX-A", "A", 3}});
    QDir(app->tree().path("Status Lantern/Plugin/PrinterPlugin/SLA.plugin")).removeRecursively();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(shownButtons(dialog), (QList<QPair<long, QPoint>>{{1900, {32, 112}}}));
}

TEST_F(MainDialogTest, QuittingSavesTheSelectionFirstThenThePopupOrder) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    choose(dialog, 3);
    EXPECT_TRUE(savedList().isEmpty()) << "a selection alone is not saved";
    click(dialog, 1100);
    EXPECT_EQ(savedList(), QStringList({"Orvel P-300", "Orvel P-100", "Orvel P-200", "Orvel P-400",
                                        "Orvel P-500"}));
    EXPECT_EQ(savedSelection(), "Orvel P-300");

    // The next start lists the selected printer first and selects it.
    CMainDialog::DisposeMainDialog();
    dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(popupItems(dialog).first(), "Orvel P-300");
    EXPECT_EQ(popupValue(dialog), 1);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "P-300");
}

TEST_F(MainDialogTest, TheQuitButtonEndsTheEventLoop) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    bool timedOut = false;
    QTimer::singleShot(0, [dialog] { click(dialog, 1100); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        platform::QuitApplicationEventLoop();
    });
    guard.start(10000);
    platform::RunApplicationEventLoop();
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(savedSelection(), "Orvel P-100");
}

TEST_F(MainDialogTest, TheCloseBoxSavesAndKeepsTheWindow) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    choose(dialog, 5);
    QWidget* window = platform::widgetForTesting(dialog->GetWindowRef());
    ASSERT_NE(window, nullptr);
    window->close();
    EXPECT_EQ(savedSelection(), "Orvel P-500");
    EXPECT_EQ(savedList().size(), 5);
    // The window stays until the application ends; it is not closed on its own.
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(CMainDialog::GetMainDialog(), dialog);
}

TEST_F(MainDialogTest, QuitCommandsOfTheTableAllSave) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    int round = 0;
    for (const UInt32 command : {"B100"_4cc, "quit"_4cc, "clos"_4cc}) {
        choose(dialog, 2 + round++);
        HICommandExtended hi{};
        hi.commandID = command;
        EXPECT_TRUE(dialog->HandleCommand(hi));
        EXPECT_EQ(savedSelection(), dialog->GetSelectedPrinterName());
    }
    EXPECT_EQ(savedSelection(), "Orvel P-400");
}

TEST_F(MainDialogTest, CommandsOutsideTheTableAreNotHandled) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    for (const UInt32 command : {"abou"_4cc, "HELP"_4cc, "C107"_4cc, "B102"_4cc, 0u}) {
        HICommandExtended hi{};
        hi.commandID = command;
        EXPECT_FALSE(dialog->HandleCommand(hi))
            << platform::fourCharCodeToString(command).toStdString();
    }
    // The same through the window's handler chain: not handled without an application.
    HICommand hi{};
    hi.commandID = "zzzz"_4cc;
    EXPECT_EQ(platform::ProcessHICommand(hi), eventNotHandledErr);
    EXPECT_TRUE(savedList().isEmpty());
}

TEST_F(MainDialogTest, TextsComeFromTheStringTable) {
    writeFivePrinters();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(platform::widgetForTesting(dialog->GetWindowRef())->windowTitle(), "Test Utility");
    QWidget* prompt = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1000));
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->property("text").toString(), "Pick a printer.");
    // A tool button is named by its title, for keyboard and screen-reader users.
    QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1900));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->property("text").toString(), "Tool one");
    EXPECT_EQ(button->accessibleName(), "Tool one");
    EXPECT_EQ(button->accessibleDescription(), "Does one thing.");
}

TEST_F(MainDialogTest, TabWalksThePopupAndTheShownToolButtonsOnly) {
    writeCatalogue({{"MX-135", "T", kTools135}});
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    QWidget* window = platform::widgetForTesting(dialog->GetWindowRef());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto widget = [dialog](long number) {
        return platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
    };
    widget(1400)->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), widget(1400));
    for (const long next : {1900, 1902, 1904, 1101, 1100}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), widget(next)) << next;
    }
}

} // namespace
