// The main dialog: the printer popup's contents and order, the tool buttons it shows, and
// what quitting saves.
#include "AppFixture.h"

namespace {

using MainDialogTest = apptest::AppTest;

// "A @B" as popup names: "Orvel A", and "B" as saved (a bare identifier names a supported
// printer too, so it stays as saved).
QStringList names(const char* text) {
    QStringList list;
    for (const QString& name : QString(text).split(' ', Qt::SkipEmptyParts))
        list.append(name.startsWith('@') ? name.mid(1) : "Orvel " + name);
    return list;
}

TEST_F(MainDialogTest, PopupListsAndSelects) {
    const struct {
        const char *name, *bundles, *selected, *saved, *items;
        int value;
    } rows[] = {
        {"first run: catalogue order", "A B C", "", "", "A B C", 1},
        {"saved order and selection", "A B C", "A", "C A B", "C A B", 2},
        {"new printers first, in catalogue order", "A N1 B N2", "B", "B A", "N1 N2 B A", 3},
        {"gone and repeated entries drop out", "A B", "GONE", "GONE B B @A A", "B @A A", 1},
        {"a printer of two bundles once", "A B/B C", "", "", "A B C", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CMainDialog::DisposeMainDialog();
        resetSingletons();
        QDir(app.tree().path("MachineBundle")).removeRecursively();
        const QStringList bundles = QString(row.bundles).split('/');
        for (qsizetype i = 0; i < bundles.size(); ++i)
            writeCatalogue(bundles[i].split(' '), {},
                           QChar(char16_t('A' + i)) + QString(".bundle"));
        savePreferences(names(row.saved), names(row.selected).value(0));
        CMainDialog* dialog = create();
        ASSERT_NE(dialog, nullptr);
        CPopupButton popup(dialog->GetWindowRef(), {"MAIN"_4cc, 1400});
        QStringList items(popup.CountMenuItems());
        for (long i = 0; i < items.size(); ++i)
            popup.GetMenuItemText(MenuItemIndex(i + 1), &items[i]);
        EXPECT_EQ(items, names(row.items));
        EXPECT_EQ(popup.GetValue(), row.value);
        EXPECT_EQ(dialog->GetSelectedPrinterName(), items.value(row.value - 1));
    }
    EXPECT_TRUE(alerts.isEmpty());
}

// Buttons of the supported tools with a plug-in only, stacked from the top without gaps.
TEST_F(MainDialogTest, ToolButtonsStackWithoutGaps) {
    writeCatalogue({"T135", "ALL", "NOPLUGIN"}, {1 | 4 | 16, 127, 3});
    QDir(app.tree().path("Status Lantern/Plugin/PrinterPlugin/SLA2.plugin")).removeRecursively();
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    const QStringList rows[] = {{"1900@32,112", "1902@32,180", "1904@32,248"},
                                {"1900@32,112", "1901@32,180", "1902@32,248", "1903@32,316",
                                 "1904@32,384", "1905@32,452", "1906@32,520"},
                                {"1900@32,112"}};
    for (const int item : {1, 2, 3, 1}) {
        choose(dialog, item);
        QStringList shown;
        for (const long number : kAppButtonIDList) {
            const QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
            if (button->isVisible())
                shown.append(QString("%1@%2,%3").arg(number).arg(button->x()).arg(button->y()));
        }
        EXPECT_EQ(shown, rows[item - 1]) << item;
    }
}

TEST_F(MainDialogTest, EveryWayOfQuittingSavesTheSelectionFirstThenThePopupOrder) {
    writeCatalogue({"P1", "P2", "P3", "P4", "P5", "P6"});
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(saved(), QStringList{""}) << "nothing is saved before quitting";
    QWidget* window = platform::widgetForTesting(dialog->GetWindowRef());
    const UInt32 closeBox = 0, quitButton = 1;
    int item = 1;
    for (const UInt32 way : {quitButton, "B100"_4cc, "quit"_4cc, "clos"_4cc, closeBox}) {
        choose(dialog, ++item);
        if (way == quitButton)
            click(dialog, 1100);
        else if (way == closeBox)
            window->close();
        else
            EXPECT_TRUE(dialog->HandleCommand({0, way, {}}));
        const QString selected = QString("Orvel P%1").arg(item);
        QStringList others{"Orvel P1", "Orvel P2", "Orvel P3", "Orvel P4", "Orvel P5", "Orvel P6"};
        others.removeOne(selected);
        EXPECT_EQ(saved(), QStringList({selected, selected}) + others) << item;
    }
    EXPECT_TRUE(window->isVisible()) << "the close box does not close the window";
    for (const UInt32 other : {"abou"_4cc, "HELP"_4cc, "C107"_4cc, 0u})
        EXPECT_FALSE(dialog->HandleCommand({0, other, {}})) << other;
    EXPECT_EQ(platform::ProcessHICommand({0, "zzzz"_4cc, {}}), eventNotHandledErr);
}

} // namespace
