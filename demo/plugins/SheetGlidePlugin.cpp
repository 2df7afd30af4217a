// Sample Sheet Glide Tuner plug-in: media feed and suction settings per printer and media.
#include "PluginSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

struct MediaDefaults {
    QString name;
    double feed = 0.0;   // feed adjustment, percent
    int suction = 50;    // percent
    int tension = 1;     // 0 low, 1 standard, 2 high
    int dryingPause = 0; // seconds
    bool edgeRelief = false;
};

std::vector<MediaDefaults> loadMedia(const PrinterPluginBundle* bundle) {
    std::vector<MediaDefaults> media;
    const QJsonArray entries =
        demo_plugin::readJsonResource(bundle, "Media.json").object().value("media").toArray();
    for (const QJsonValue& value : entries) {
        const QJsonObject entry = value.toObject();
        MediaDefaults item;
        item.name = entry.value("name").toString();
        if (item.name.isEmpty())
            continue;
        item.feed = entry.value("feed").toDouble();
        item.suction = entry.value("suction").toInt(50);
        item.tension = entry.value("tension").toInt(1);
        item.dryingPause = entry.value("dryingPause").toInt();
        item.edgeRelief = entry.value("edgeRelief").toBool();
        media.push_back(item);
    }
    if (media.empty())
        media.push_back({QStringLiteral("Plain Paper"), 0.0, 40, 1, 0, false});
    return media;
}

int32_t runDialog(const PrinterPluginString* id, const PrinterPluginBundle* bundle) {
    const QString printer = demo_plugin::deviceID(id);
    const std::vector<MediaDefaults> media = loadMedia(bundle);
    QSettings store(QStringLiteral("Orvel"), QStringLiteral("Sheet Glide Tuner Plug-in"));

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Sheet Glide Tuner \u2013 ") +
                          demo_plugin::displayName(printer));
    auto* layout = new QVBoxLayout(&dialog);
    layout->setSpacing(12);
    layout->addWidget(demo_plugin::makeBanner(QStringLiteral("Sheet Glide Tuner"),
                                              demo_plugin::displayName(printer), bundle,
                                              QStringLiteral("#1f7a8c")));

    auto* mediaRow = new QHBoxLayout;
    auto* mediaBox = new QComboBox;
    for (const MediaDefaults& item : media)
        mediaBox->addItem(item.name);
    mediaRow->addWidget(new QLabel(QStringLiteral("Media:")));
    mediaRow->addWidget(mediaBox, 1);
    layout->addLayout(mediaRow);

    auto* feedGroup = new QGroupBox(QStringLiteral("Media Feed"));
    auto* feedForm = new QFormLayout(feedGroup);
    auto* feed = new QDoubleSpinBox;
    feed->setRange(-2.0, 2.0);
    feed->setDecimals(2);
    feed->setSingleStep(0.05);
    feed->setSuffix(QStringLiteral(" %"));
    feed->setToolTip(QStringLiteral("Lengthens (+) or shortens (\u2212) every feed step, to "
                                    "remove banding."));
    auto* tension = new QComboBox;
    tension->addItems({QStringLiteral("Low"), QStringLiteral("Standard"), QStringLiteral("High")});
    auto* pause = new QSpinBox;
    pause->setRange(0, 60);
    pause->setSuffix(QStringLiteral(" s"));
    pause->setSpecialValueText(QStringLiteral("Off"));
    feedForm->addRow(QStringLiteral("Feed adjustment:"), feed);
    feedForm->addRow(QStringLiteral("Back tension:"), tension);
    feedForm->addRow(QStringLiteral("Drying pause per pass:"), pause);
    layout->addWidget(feedGroup);

    auto* suctionGroup = new QGroupBox(QStringLiteral("Suction"));
    auto* suctionLayout = new QVBoxLayout(suctionGroup);
    auto* sliderRow = new QHBoxLayout;
    auto* suction = new QSlider(Qt::Horizontal);
    suction->setRange(0, 100);
    suction->setTickPosition(QSlider::TicksBelow);
    suction->setTickInterval(10);
    auto* suctionValue = new QLabel;
    suctionValue->setMinimumWidth(44);
    suctionValue->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QObject::connect(suction, &QSlider::valueChanged, suctionValue, [suctionValue](int value) {
        suctionValue->setText(QString("%1 %").arg(value));
    });
    sliderRow->addWidget(new QLabel(QStringLiteral("Weak")));
    sliderRow->addWidget(suction, 1);
    sliderRow->addWidget(new QLabel(QStringLiteral("Strong")));
    sliderRow->addWidget(suctionValue);
    auto* edgeRelief =
        new QCheckBox(QStringLiteral("Reduce suction at the leading edge of thin media"));
    suctionLayout->addLayout(sliderRow);
    suctionLayout->addWidget(edgeRelief);
    layout->addWidget(suctionGroup);

    // The accepting button is the default one, the one Return presses.
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::RestoreDefaults |
                                         QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Apply"));
    layout->addWidget(buttons);

    const auto key = [&](const QString& name) {
        return printer + QLatin1Char('/') + mediaBox->currentText() + QLatin1Char('/') + name;
    };
    const auto show = [&](bool defaults) {
        const MediaDefaults& d = media[static_cast<size_t>(std::max(0, mediaBox->currentIndex()))];
        const auto value = [&](const QString& name, const QVariant& fallback) {
            return defaults ? fallback : store.value(key(name), fallback);
        };
        feed->setValue(value("feed", d.feed).toDouble());
        tension->setCurrentIndex(value("tension", d.tension).toInt());
        pause->setValue(value("dryingPause", d.dryingPause).toInt());
        suction->setValue(value("suction", d.suction).toInt());
        edgeRelief->setChecked(value("edgeRelief", d.edgeRelief).toBool());
    };
    const auto save = [&] {
        store.setValue(key("feed"), feed->value());
        store.setValue(key("tension"), tension->currentIndex());
        store.setValue(key("dryingPause"), pause->value());
        store.setValue(key("suction"), suction->value());
        store.setValue(key("edgeRelief"), edgeRelief->isChecked());
        store.sync();
    };
    QObject::connect(mediaBox, &QComboBox::currentIndexChanged, &dialog, [&] { show(false); });
    QObject::connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked,
                     &dialog, [&] { show(true); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        save();
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    show(false);
    mediaBox->setFocus();

    dialog.resize(460, dialog.sizeHint().height());
    const int result = dialog.exec();
    // The lambdas connected above go before the dialog; its teardown must not reach them.
    for (QObject* child : dialog.findChildren<QObject*>())
        child->disconnect(&dialog);
    return result == QDialog::Accepted ? 0 : 1;
}

} // namespace

int32_t SGT_OpenSetUpDialog(const PrinterPluginString* deviceID,
                            const PrinterPluginBundle* bundle) {
    return runDialog(deviceID, bundle);
}
