// Sample Stock Profile Editor plug-in: an editor of the printer's media profiles.
#include "PluginSupport.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

// No objects with destructors at namespace scope: the library is unloaded after the call.
QStringList mediaTypes() {
    return {QStringLiteral("Paper"), QStringLiteral("Photo paper"), QStringLiteral("Vinyl"),
            QStringLiteral("Film"),  QStringLiteral("Canvas"),      QStringLiteral("Textile")};
}
constexpr int kPasses[] = {4, 6, 8, 12, 16, 24};

QJsonArray loadProfiles(const QSettings& store, const QString& printer,
                        const PrinterPluginBundle* bundle) {
    const QJsonArray saved =
        QJsonDocument::fromJson(store.value(printer + QStringLiteral("/profiles")).toByteArray())
            .array();
    if (!saved.isEmpty())
        return saved;
    return demo_plugin::readJsonResource(bundle, "Profiles.json")
        .object()
        .value("profiles")
        .toArray();
}

QJsonObject newProfile(int number) {
    return QJsonObject{{"name", QStringLiteral("New Profile %1").arg(number)},
                       {"type", "Paper"},
                       {"thickness", 0.12},
                       {"inkLimit", 220},
                       {"heater", 35},
                       {"passes", 8},
                       {"drying", 0}};
}

int32_t runDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    const QString printer = demo_plugin::deviceID(id);
    QSettings store(QStringLiteral("Orvel"), QStringLiteral("Stock Profile Editor Plug-in"));
    QJsonArray profiles = loadProfiles(store, printer, bundle);

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Stock Profile Editor \u2013 ") +
                          demo_plugin::displayName(printer));
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSpacing(12);
    layout->addWidget(demo_plugin::makeBanner(QStringLiteral("Stock Profile Editor"),
                                              demo_plugin::displayName(printer), bundle,
                                              QStringLiteral("#8c4a1f")));

    auto* body = new QHBoxLayout;
    auto* listColumn = new QVBoxLayout;
    auto* list = new QListWidget;
    list->setMinimumWidth(190);
    list->setSpacing(2);
    auto* listButtons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("New"));
    auto* duplicate = new QPushButton(QStringLiteral("Duplicate"));
    auto* remove = new QPushButton(QStringLiteral("Delete"));
    listButtons->addWidget(add);
    listButtons->addWidget(duplicate);
    listButtons->addWidget(remove);
    listColumn->addWidget(list, 1);
    listColumn->addLayout(listButtons);
    body->addLayout(listColumn);

    auto* editor = new QGroupBox(QStringLiteral("Profile"));
    auto* form = new QFormLayout(editor);
    auto* name = new QLineEdit;
    auto* type = new QComboBox;
    type->addItems(mediaTypes());
    auto* thickness = new QDoubleSpinBox;
    thickness->setRange(0.05, 2.0);
    thickness->setDecimals(2);
    thickness->setSingleStep(0.01);
    thickness->setSuffix(QStringLiteral(" mm"));
    auto* inkLimit = new QSpinBox;
    inkLimit->setRange(100, 400);
    inkLimit->setSingleStep(10);
    inkLimit->setSuffix(QStringLiteral(" %"));
    auto* heater = new QSpinBox;
    heater->setRange(20, 60);
    heater->setSuffix(QStringLiteral(" \u00b0C"));
    auto* passes = new QComboBox;
    for (int count : kPasses)
        passes->addItem(QStringLiteral("%1 passes").arg(count), count);
    auto* drying = new QSpinBox;
    drying->setRange(0, 300);
    drying->setSuffix(QStringLiteral(" s"));
    drying->setSpecialValueText(QStringLiteral("None"));
    form->addRow(QStringLiteral("Name:"), name);
    form->addRow(QStringLiteral("Media type:"), type);
    form->addRow(QStringLiteral("Thickness:"), thickness);
    form->addRow(QStringLiteral("Ink limit:"), inkLimit);
    form->addRow(QStringLiteral("Heater:"), heater);
    form->addRow(QStringLiteral("Print mode:"), passes);
    form->addRow(QStringLiteral("Drying time:"), drying);
    body->addWidget(editor, 1);
    layout->addLayout(body, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    layout->addWidget(buttons);

    const auto current = [&] { return list->currentRow(); };
    const auto fillList = [&](int select) {
        const QSignalBlocker blocker(list);
        list->clear();
        for (const QJsonValue& value : profiles)
            list->addItem(value.toObject().value("name").toString());
        list->setCurrentRow(std::min(select, static_cast<int>(profiles.size()) - 1));
    };
    const auto showProfile = [&] {
        const int row = current();
        editor->setEnabled(row >= 0);
        duplicate->setEnabled(row >= 0);
        remove->setEnabled(row >= 0);
        if (row < 0)
            return;
        const QJsonObject p = profiles.at(row).toObject();
        const QSignalBlocker b1(name), b2(type), b3(thickness), b4(inkLimit), b5(heater),
            b6(passes), b7(drying);
        name->setText(p.value("name").toString());
        type->setCurrentIndex(
            std::max(0, static_cast<int>(mediaTypes().indexOf(p.value("type").toString()))));
        thickness->setValue(p.value("thickness").toDouble(0.12));
        inkLimit->setValue(p.value("inkLimit").toInt(220));
        heater->setValue(p.value("heater").toInt(35));
        passes->setCurrentIndex(std::max(0, passes->findData(p.value("passes").toInt(8))));
        drying->setValue(p.value("drying").toInt());
    };
    const auto storeProfile = [&] {
        const int row = current();
        if (row < 0)
            return;
        profiles[row] = QJsonObject{{"name", name->text()},
                                    {"type", type->currentText()},
                                    {"thickness", thickness->value()},
                                    {"inkLimit", inkLimit->value()},
                                    {"heater", heater->value()},
                                    {"passes", passes->currentData().toInt()},
                                    {"drying", drying->value()}};
        list->item(row)->setText(name->text());
    };

    QObject::connect(list, &QListWidget::currentRowChanged, &dialog, [&] { showProfile(); });
    QObject::connect(name, &QLineEdit::textEdited, &dialog, [&] { storeProfile(); });
    for (QComboBox* box : {type, passes})
        QObject::connect(box, &QComboBox::currentIndexChanged, &dialog, [&] { storeProfile(); });
    QObject::connect(thickness, &QDoubleSpinBox::valueChanged, &dialog, [&] { storeProfile(); });
    for (QSpinBox* box : {inkLimit, heater, drying})
        QObject::connect(box, &QSpinBox::valueChanged, &dialog, [&] { storeProfile(); });
    QObject::connect(add, &QPushButton::clicked, &dialog, [&] {
        profiles.append(newProfile(static_cast<int>(profiles.size()) + 1));
        fillList(static_cast<int>(profiles.size()) - 1);
        showProfile();
        name->setFocus();
        name->selectAll();
    });
    QObject::connect(duplicate, &QPushButton::clicked, &dialog, [&] {
        QJsonObject copy = profiles.at(current()).toObject();
        copy.insert("name", copy.value("name").toString() + QStringLiteral(" copy"));
        profiles.insert(current() + 1, copy);
        fillList(current() + 1);
        showProfile();
    });
    QObject::connect(remove, &QPushButton::clicked, &dialog, [&] {
        const int row = current();
        profiles.removeAt(row);
        fillList(row);
        showProfile();
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        store.setValue(printer + QStringLiteral("/profiles"),
                       QJsonDocument(profiles).toJson(QJsonDocument::Compact));
        store.sync();
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    fillList(0);
    showProfile();
    dialog.resize(620, 420);
    const int result = dialog.exec();
    // The lambdas connected above go before the dialog; its teardown must not reach them.
    for (QObject* child : dialog.findChildren<QObject*>())
        child->disconnect(&dialog);
    return result == QDialog::Accepted ? 0 : 1;
}

} // namespace

int32_t SPE_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return runDialog(deviceID, bundle);
}
