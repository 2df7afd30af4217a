// The printer popup's contents and order when the same printer comes from several machine
// bundles, from Setting.ini and from the saved list, and on catalogues of thousands.
#include "AppFixture.h"
#include "app/CMainDialog.h"
#include "platform/TestingAccess.h"
#include "ui/CControl.h"

#include <QComboBox>
#include <QSet>

using apptest::AppTest;
using apptest::Printer;

namespace {

class PrinterPopupTest : public apptest::MainDialogFixture {
protected:
    // Printers of Setting.ini count only with a plug-in path.
    void writeSettingIniPrinters(const QStringList& printers) const {
        QByteArray text = "[FUNCTION]\nFUNCTION_NUM=1\n[PRINTER]\nPRINTER_NUM=" +
                          QByteArray::number(printers.size()) + "\n";
        for (qsizetype i = 0; i < printers.size(); ++i) {
            const QByteArray number = QByteArray::number(i + 1);
            text += "PRINTER" + number + "=" + printers[i].toUtf8() + "\nPRINTER" + number +
                    "_PATH_F1=:Plugins:P" + number + ".plugin\n";
            app->tree().write("Trellis.app/Plugins/P" + number + ".plugin/Contents/Info.plist",
                              testsupport::xmlPropertyList(
                                  QVariantMap{{"CFBundleVersion", QStringLiteral("1.0")}}));
        }
        app->writeSetting(QStringLiteral("Setting.ini"), text);
    }
};

TEST_F(PrinterPopupTest, APrinterNamedByTwoBundlesAndSettingIniIsListedOnceInFirstPlace) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}}, QStringLiteral("A.bundle"));
    writeCatalogue({{"MX-B", "B2", 2}, {"MX-C", "C", 1}}, QStringLiteral("B.bundle"));
    writeSettingIniPrinters({"MX-C", "Orvel MX-D", "MX-A", "MX-E"});
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(popupItems(dialog),
              QStringList({"Orvel MX-A", "Orvel MX-B", "Orvel MX-C", "Orvel MX-D", "Orvel MX-E"}));
    EXPECT_EQ(popupValue(dialog), 1);
    // The last item can be chosen: the popup's range covers every item.
    choose(dialog, 5);
    EXPECT_EQ(popupValue(dialog), 5);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-E");
    choose(dialog, 2);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-B");
}

TEST_F(PrinterPopupTest, SavedDuplicatesDropOutAndNewPrintersOfEverySourceComeFirst) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}}, QStringLiteral("A.bundle"));
    writeCatalogue({{"MX-A", "A2", 1}, {"MX-C", "C", 1}}, QStringLiteral("B.bundle"));
    writeSettingIniPrinters({"MX-D", "MX-B"});
    savePreferences({"Orvel MX-C", "Orvel MX-C", "MX-A", "Orvel MX-GONE", "Orvel MX-D", "MX-A"},
                    "Orvel MX-D");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    // "MX-A" as saved and "Orvel MX-A" are two names of one printer, and both stay, as
    // they always have.
    EXPECT_EQ(popupItems(dialog),
              QStringList({"Orvel MX-A", "Orvel MX-B", "Orvel MX-C", "MX-A", "Orvel MX-D"}));
    EXPECT_EQ(popupValue(dialog), 5);
    EXPECT_EQ(dialog->GetSelectedPrinterDeviceID(), "MX-D");
}

// The rule, walked the slow way, as a reference for large lists.
QStringList referencePopup(const QStringList& saved, const QStringList& catalogue,
                           const QSet<QString>& supported) {
    QStringList list;
    for (const QString& name : saved) {
        if (supported.contains(name) && !list.contains(name))
            list.append(name);
    }
    qsizetype k = 0;
    for (const QString& name : catalogue) {
        if (!list.contains(name) && supported.contains(name))
            list.insert(k++, name);
    }
    return list;
}

TEST_F(PrinterPopupTest, ThousandsOfPrintersWithDuplicatesKeepTheOrderOfTheRule) {
    // Three bundles that overlap, one in three saved (some twice, some gone), and the
    // selection near the end.
    constexpr int kModels = 1500;
    QList<Printer> first, second, third;
    QStringList catalogue;
    for (int i = 0; i < kModels; ++i) {
        const QString model = QStringLiteral("MX-%1").arg(i, 4, 10, QLatin1Char('0'));
        (i % 2 ? first : second).append({model, QString(), 0});
        if (i % 5 == 0)
            third.append({model, QString(), 0});
    }
    for (const auto* bundle : {&first, &second, &third}) {
        for (const Printer& printer : *bundle)
            catalogue.append(QStringLiteral("Orvel ") + printer.model);
    }
    writeCatalogue(first, QStringLiteral("A.bundle"));
    writeCatalogue(second, QStringLiteral("B.bundle"));
    writeCatalogue(third, QStringLiteral("C.bundle"));
    QStringList saved;
    for (int i = kModels - 1; i >= 0; i -= 3) {
        saved.append(QStringLiteral("Orvel MX-%1").arg(i, 4, 10, QLatin1Char('0')));
        if (i % 7 == 0)
            saved.append(saved.last());
        if (i % 11 == 0)
            saved.append(QStringLiteral("Orvel GONE-%1").arg(i));
    }
    QString selection;
    for (qsizetype i = saved.size() - 4; i >= 0 && selection.isEmpty(); --i) {
        if (saved.at(i).startsWith(QLatin1String("Orvel MX-")))
            selection = saved.at(i);
    }
    savePreferences(saved, selection);

    const QSet<QString> supported(catalogue.cbegin(), catalogue.cend());
    const QStringList expected = referencePopup(saved, catalogue, supported);
    ASSERT_EQ(expected.size(), kModels);

    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    const QStringList items = popupItems(dialog);
    EXPECT_EQ(items, expected);
    EXPECT_EQ(popupValue(dialog), expected.indexOf(selection) + 1);
    EXPECT_EQ(dialog->GetSelectedPrinterName(), selection);
}

} // namespace
