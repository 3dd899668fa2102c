#pragma once

#include <QGroupBox>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "layout/ViewSettings.h"
#include "settings/ProfileRules.h"
#include "settings/Profiles.h"
#include "settings/VEMOptions.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QButtonGroup;
class QToolButton;

namespace corvalin {

class CacheSizeBox;
class GlyphButton;
class LanguageDispatcher;
class TAA_Main;
class VEMOpt;
class WindowTexts;

// What the profile dialog answers when it is confirmed.
struct ProfileAnswer {
    std::string name;
    ProfileChecks checks;
};

// The questions the panel asks through dialogs. The reader shows real ones; tests answer them.
class PanelQuestions {
public:
    virtual ~PanelQuestions() = default;
    // Nothing when the dialog is cancelled.
    virtual std::optional<FontDescription> AskFont(FontKind kind, const FontDescription& start,
                                                   bool fixedPitchOnly) = 0;
    virtual std::optional<uint32_t> AskColour(uint32_t colour) = 0;
    // The profile dialog in `mode`; `otherNames` are every profile's name except the one being
    // modified or deleted, `checks` and `name` the state it starts from in those modes.
    virtual std::optional<ProfileAnswer> AskProfile(ProfileDialogMode mode,
                                                    std::vector<std::string> otherNames,
                                                    const ProfileChecks& checks, std::string_view name) = 0;
    // "Are you sure ...?" with Yes and No; true on Yes.
    virtual bool ConfirmDeleteAll(const QString& question) = 0;
};

// A captioned group of radio buttons whose items come from the language tables; clicks by the
// user reach OnClick with the item's index.
class RadioGroup : public QGroupBox {
public:
    RadioGroup(const char* name, int items, bool horizontal, QWidget* parent);
    int ItemIndex() const;
    void SetItemIndex(int index);
    void SetItems(const std::vector<std::string>& items);
    QRadioButton& Item(int index) { return *items_[size_t(index)]; }
    int Count() const { return int(items_.size()); }
    std::function<void(int)> OnClick;

private:
    std::vector<QRadioButton*> items_;
    QButtonGroup* group_;
};

// The options panel: it lies over the lower left of the reading surface while it is open and
// writes each change into the live settings, which tell it back what is in force.
class PanelOptions : public QWidget {
public:
    // Wider than the panel's first design: the desktop's fonts and controls need the room. A
    // language with longer captions widens the panel further (see FitToTexts).
    static constexpr int kDesignWidth = 840;
    static constexpr int kDesignHeight = 324;

    PanelOptions(TAA_Main& window, LanguageDispatcher& languages, VEMOpt& profiles, QWidget* parent);
    ~PanelOptions() override;

    // Tests answer the dialogs themselves.
    void SetQuestions(std::unique_ptr<PanelQuestions> questions);

    // The controls show the settings in force (the Speed values while Priority is "Speed"); a
    // refresh from inside a control's own handler leaves the values alone.
    void RefreshPanel();
    // The four colour buttons and the font sample of one group.
    void PaintGroupButtons(FontKind kind);
    // The "Super Scroll" and "Anti Flicker" levels the presentation allows.
    void ReflectLevels(const LevelAvailability& levels);
    // The cache sizes follow the page.
    void SetPageSize(int32_t widthPx, int32_t heightPx);
    // Entry 0 is the reset; `selectName` is selected when a profile has it.
    void RefreshProfileList(std::string_view selectName);
    // The language list's choice takes effect: the interface language, the profile list's
    // first entry, every drawn caption and the page.
    void ComboBoxLanguageChange();
    // Selects the list entry of a stored index (nothing for an index the list lacks).
    void SelectLanguageEntry(int listIndex);

    // The handlers of the controls, as the user's actions reach them.
    void EditChange(QLineEdit& edit);
    void ComboBoxProfileChange(int index);
    void ComboBoxCacheSizeClick(int index);
    void FontButtonClick(FontKind kind);
    void ColourButtonClick(FontKind kind, int which);  // 0 back, 1 text, 2 heading, 3 first letter
    void SpeedButtonProfileAddClick();
    void SpeedButtonProfileEditClick();
    void SpeedButtonProfileDelClick();
    void SpeedButtonProfileDelAllClick();

    const ProfileList& Profiles() const { return profileList_; }

private:
    struct EditBinding {
        QLineEdit* edit;
        Setting setting;
        int32_t invalid;  // what text that is no number counts as: a value the range refuses
        bool speed;       // the speed gauge is told
    };

    void BuildControls();
    QWidget* BuildSpeedColumn();
    QWidget* BuildModeColumn();
    QWidget* BuildFontColumn();
    QGroupBox* BuildFontGroup(FontKind kind);
    QWidget* BuildBottomRow();
    QLineEdit* AddEdit(const char* name, const char* upDownName, Setting setting, int32_t invalid, bool speed,
                       QWidget* parent);
    QLabel* AddLabel(const char* name, QWidget* parent);
    RadioGroup* AddRadioGroup(const char* name, int items, bool horizontal, QWidget* parent);
    // The frame of a control's handler: nothing while another handler updates the controls.
    void InHandler(const std::function<void()>& work);
    void ApplyTexts(const WindowTexts& texts);
    void FitToTexts();
    std::vector<std::string> ProfileNamesExcept(const VEMOpt* profile);
    VEMOpt* SelectedProfile();
    template <typename T>
    T* Named(const char* name) const {
        return findChild<T*>(name);
    }

    TAA_Main& window_;
    VEMOptions& options_;
    LanguageDispatcher& languages_;
    VEMOpt& profiles_;
    std::unique_ptr<PanelQuestions> questions_;
    std::vector<EditBinding> edits_;
    std::vector<QRadioButton*> superScroll_;
    std::vector<QRadioButton*> antiFlicker_;
    GlyphButton* fontButtons_[2] = {};
    GlyphButton* colourButtons_[2][4] = {};
    CacheSizeBox* cacheBox_ = nullptr;
    QComboBox* languageBox_ = nullptr;
    QComboBox* profileBox_ = nullptr;
    ProfileList profileList_;
};

}  // namespace corvalin
