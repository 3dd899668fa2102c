#pragma once

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ProfileItems.h"
#include "settings/ProfileRules.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace corvalin {

class LanguageDispatcher;
class LanguageTable;

// Names a profile and chooses the groups of settings it keeps; the options panel uses it to
// create, modify and delete profiles. What may be ticked and when OK may be pressed is decided
// by ProfileDialogRules: the window forwards each click there and shows the result, so no box
// changes on its own.
class TAA_Profile : public QDialog {
public:
    TAA_Profile(LanguageDispatcher& languages, QWidget* parent = nullptr);
    ~TAA_Profile() override;

    // Shows the dialog modally in `mode`; otherNames are every profile's name except the one
    // modified; checks and name start modify and delete. True on OK.
    bool Run(ProfileDialogMode mode, std::vector<std::string> otherNames, const ProfileChecks& checks = {},
             std::string_view name = {});
    std::string Name() const;  // trimmed
    ProfileChecks Checks() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ApplyLanguage(const LanguageTable& table, int language);
    // Runs a click through the rules, then shows their state.
    void Forward(const std::function<void()>& click);
    // Puts the rules' state into the boxes, the name field's enabling and the OK button.
    void Mirror();
    void NameEdited();
    // The mode's text as the title and on OK.
    void ShowModeText();

    LanguageDispatcher& languages_;
    ProfileDialogRules rules_;
    // Create, delete, modify: each keeps its last non-empty translation.
    std::array<std::string, 3> modeTexts_;
    std::array<QCheckBox*, kProfileItemCount> items_{};
    std::array<QCheckBox*, kProfileGroupCount> groups_{};
    QCheckBox* all_;
    QLineEdit* edit_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace corvalin
