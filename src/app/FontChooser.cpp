#include "app/FontChooser.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/MessageBoxes.h"
#include "lang/Languages.h"
#include "platform/qt/FontFamilies.h"

namespace corvalin {
namespace {

constexpr double kPointsToPixels = 96.0 / 72.0;
constexpr int kSampleHeightPx = 60;

QString Word(const WindowTexts& texts, const char* word) { return DialogWord(texts, word); }

}  // namespace

QColor ColourOfValue(uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

uint32_t ValueOfColour(const QColor& colour) {
    return uint32_t(colour.red()) | uint32_t(colour.green()) << 8 | uint32_t(colour.blue()) << 16;
}

FontChooser::FontChooser(const WindowTexts& texts, QWidget* parent) : QDialog(parent), texts_(texts) {
    setObjectName("FontDialog");
    setWindowTitle(QString(Word(texts, "Font:")).remove('&').remove(':'));
    auto* grid = new QGridLayout(this);
    families_ = new QListWidget(this);
    families_->setObjectName("FontFamilies");
    styles_ = new QListWidget(this);
    styles_->setObjectName("FontStyles");
    size_ = new QSpinBox(this);
    size_->setObjectName("FontSize");
    size_->setRange(kMinSize, kMaxSize);
    auto* familyLabel = new QLabel(Word(texts, "Font:"), this);
    familyLabel->setBuddy(families_);
    auto* styleLabel = new QLabel(Word(texts, "Font style:"), this);
    styleLabel->setBuddy(styles_);
    auto* sizeLabel = new QLabel(Word(texts, "Size:"), this);
    sizeLabel->setBuddy(size_);
    grid->addWidget(familyLabel, 0, 0);
    grid->addWidget(styleLabel, 0, 1);
    grid->addWidget(sizeLabel, 0, 2);
    grid->addWidget(families_, 1, 0);
    grid->addWidget(styles_, 1, 1);
    grid->addWidget(size_, 1, 2, Qt::AlignTop);

    auto* effects = new QGroupBox(QString(Word(texts, "Effects")).remove('&'), this);
    auto* effectsLayout = new QVBoxLayout(effects);
    strikeOut_ = new QCheckBox(Word(texts, "Strikeout"), effects);
    underline_ = new QCheckBox(Word(texts, "Underline"), effects);
    colourButton_ = new QPushButton(Word(texts, "Color:"), effects);
    effectsLayout->addWidget(strikeOut_);
    effectsLayout->addWidget(underline_);
    effectsLayout->addWidget(colourButton_);
    grid->addWidget(effects, 2, 0);

    auto* sampleBox = new QGroupBox(QString(Word(texts, "Sample")).remove('&'), this);
    auto* sampleLayout = new QVBoxLayout(sampleBox);
    sample_ = new QLabel("AaBbYyZz", sampleBox);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setMinimumHeight(kSampleHeightPx);
    sample_->setAutoFillBackground(true);
    sampleLayout->addWidget(sample_);
    grid->addWidget(sampleBox, 2, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(Word(texts, "OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(Word(texts, "Cancel"));
    grid->addWidget(buttons, 3, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(families_, &QListWidget::currentRowChanged, this, [this] {
        FillStyles();
        ShowSample();
    });
    connect(styles_, &QListWidget::currentRowChanged, this, [this] {
        if (QListWidgetItem* item = styles_->currentItem()) {
            wantBold_ = item->data(Qt::UserRole).toBool();
            wantItalic_ = item->data(Qt::UserRole + 1).toBool();
        }
        ShowSample();
    });
    connect(size_, &QSpinBox::valueChanged, this, [this] { ShowSample(); });
    connect(underline_, &QCheckBox::toggled, this, [this] { ShowSample(); });
    connect(strikeOut_, &QCheckBox::toggled, this, [this] { ShowSample(); });
    connect(colourButton_, &QPushButton::clicked, this, [this] { ChooseColour(); });
}

QStringList FontChooser::Families(bool fixedPitchOnly, const QString& chosen) {
    QStringList list;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        if (QFontDatabase::isPrivateFamily(family)) continue;
        if (fixedPitchOnly && !QFontDatabase::isFixedPitch(family) &&
            !IsMonospaceFamily(family.toStdString()))
            continue;
        list.push_back(family);
    }
    if (!chosen.isEmpty() && !list.contains(chosen)) list.prepend(chosen);
    return list;
}

void FontChooser::Begin(const FontDescription& start, bool fixedPitchOnly) {
    fixedWidth_ = fixedPitchOnly;
    colour_ = start.color;
    wantBold_ = start.bold;
    wantItalic_ = start.italic;
    const QString chosen = QString::fromStdString(start.name);
    families_->blockSignals(true);
    families_->clear();
    families_->addItems(Families(fixedPitchOnly, chosen));
    const QList<QListWidgetItem*> found = families_->findItems(chosen, Qt::MatchExactly);
    families_->setCurrentItem(found.isEmpty() ? families_->item(0) : found.front());
    families_->blockSignals(false);
    size_->setValue(std::clamp(int(start.size), kMinSize, kMaxSize));
    underline_->setChecked(start.underline);
    strikeOut_->setChecked(start.strikeOut);
    FillStyles();
    ShowSample();
}

std::optional<FontDescription> FontChooser::Run(const FontDescription& start, bool fixedPitchOnly) {
    Begin(start, fixedPitchOnly);
    if (exec() != QDialog::Accepted) return std::nullopt;
    return Chosen();
}

FontDescription FontChooser::Chosen() const {
    FontDescription font;
    if (const QListWidgetItem* item = families_->currentItem()) font.name = item->text().toStdString();
    font.size = size_->value();
    font.color = colour_;
    font.bold = wantBold_;
    font.italic = wantItalic_;
    font.underline = underline_->isChecked();
    font.strikeOut = strikeOut_->isChecked();
    return font;
}

void FontChooser::FillStyles() {
    // The styles of what is drawn for the family: a Windows family's substitute has its own.
    const QListWidgetItem* family = families_->currentItem();
    const QString drawn =
        family ? QString::fromStdString(DrawingFamilyFor(family->text().toStdString(), fixedWidth_))
               : QString();
    const bool bold = wantBold_, italic = wantItalic_;
    styles_->blockSignals(true);
    styles_->clear();
    QStringList names = QFontDatabase::styles(drawn);
    if (names.isEmpty()) names = {"Regular", "Italic", "Bold", "Bold Italic"};
    int pick = 0;
    for (const QString& name : names) {
        const bool isBold = QFontDatabase::weight(drawn, name) >= QFont::DemiBold || name.contains("Bold");
        const bool isItalic =
            QFontDatabase::italic(drawn, name) || name.contains("Italic") || name.contains("Oblique");
        // Only the four styles the settings can hold.
        bool known = false;
        for (int i = 0; i < styles_->count(); ++i) {
            const QListWidgetItem* other = styles_->item(i);
            known = known || (other->data(Qt::UserRole).toBool() == isBold &&
                              other->data(Qt::UserRole + 1).toBool() == isItalic);
        }
        if (known) continue;
        auto* item = new QListWidgetItem(name, styles_);
        item->setData(Qt::UserRole, isBold);
        item->setData(Qt::UserRole + 1, isItalic);
        if (isBold == bold && isItalic == italic) pick = styles_->count() - 1;
    }
    styles_->setCurrentRow(pick);
    styles_->blockSignals(false);
    if (const QListWidgetItem* item = styles_->currentItem()) {
        wantBold_ = item->data(Qt::UserRole).toBool();
        wantItalic_ = item->data(Qt::UserRole + 1).toBool();
    }
}

void FontChooser::ShowSample() {
    const FontDescription font = Chosen();
    QFont drawn(QString::fromStdString(DrawingFamilyFor(font.name, fixedWidth_)));
    drawn.setPixelSize(std::max(1, int(font.size * kPointsToPixels + 0.5)));
    drawn.setBold(font.bold);
    drawn.setItalic(font.italic);
    drawn.setUnderline(font.underline);
    drawn.setStrikeOut(font.strikeOut);
    sample_->setFont(drawn);
    QPalette palette = sample_->palette();
    palette.setColor(QPalette::WindowText, ColourOfValue(uint32_t(colour_)));
    sample_->setPalette(palette);
}

void FontChooser::ChooseColour() {
    const QColor picked = QColorDialog::getColor(ColourOfValue(uint32_t(colour_)), this, QString(),
                                                 QColorDialog::DontUseNativeDialog);
    if (!picked.isValid()) return;
    colour_ = int32_t(ValueOfColour(picked));
    ShowSample();
}

}  // namespace corvalin
