#pragma once

#include <QDialog>
#include <optional>

#include "settings/VEMOptions.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace corvalin {

class WindowTexts;

// The font dialog of the options panel: a family, its style, the underline and strike-out
// effects, the colour and a size of 8 to 92 points, with a sample. The settings may name a
// family this system lacks (the Windows families of a configuration made elsewhere): it is
// listed as the user chose it and drawn with its substitute, and kept unless another is picked.
class FontChooser : public QDialog {
public:
    static constexpr int kMinSize = 8;
    static constexpr int kMaxSize = 92;

    FontChooser(const WindowTexts& texts, QWidget* parent);

    // The families offered: those with Latin letters, only fixed-pitch ones when `fixedPitchOnly`,
    // and `chosen` first when it is not installed.
    static QStringList Families(bool fixedPitchOnly, const QString& chosen);

    // Prepares the dialog for `start`; Run shows it modally.
    void Begin(const FontDescription& start, bool fixedPitchOnly);
    std::optional<FontDescription> Run(const FontDescription& start, bool fixedPitchOnly);
    FontDescription Chosen() const;

    QListWidget& FamilyList() { return *families_; }
    QListWidget& StyleList() { return *styles_; }
    QSpinBox& SizeBox() { return *size_; }
    QCheckBox& UnderlineBox() { return *underline_; }
    QCheckBox& StrikeOutBox() { return *strikeOut_; }

private:
    void FillStyles();
    void ShowSample();
    void ChooseColour();

    const WindowTexts& texts_;
    QListWidget* families_ = nullptr;
    QListWidget* styles_ = nullptr;
    QSpinBox* size_ = nullptr;
    QCheckBox* underline_ = nullptr;
    QCheckBox* strikeOut_ = nullptr;
    QPushButton* colourButton_ = nullptr;
    QLabel* sample_ = nullptr;
    bool fixedWidth_ = false;
    int32_t colour_ = 0;
    bool wantBold_ = false;
    bool wantItalic_ = false;
};

// Colours are kept as 0x00BBGGRR.
QColor ColourOfValue(uint32_t value);
uint32_t ValueOfColour(const QColor& colour);

}  // namespace corvalin
