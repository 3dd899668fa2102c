#include "settings/VEMOptions.h"

#include "books/BookFormat.h"
#include "store/VEMOpt.h"

namespace corvalin {

void VEMOptions::EndUpdate() {
    if (updateLock_ > 0) --updateLock_;
    if (updateLock_ == 0) Notify();
}

void VEMOptions::Notify() {
    // A handler may assign settings itself; each flag is cleared before its handler runs so
    // that such a change is notified again instead of being lost.
    struct Category {
        uint8_t flag;
        ChangeHandler VEMOptions::*handler;
    };
    static constexpr Category kOrder[] = {
        {kPendingState, &VEMOptions::OnStateChanged},
        {kPendingProportional, &VEMOptions::OnProportionalChanged},
        {kPendingFixed, &VEMOptions::OnFixedChanged},
        {kPendingView, &VEMOptions::OnViewChanged},
    };
    for (const Category& category : kOrder) {
        if ((pending_ & category.flag) == 0) continue;
        pending_ &= uint8_t(~category.flag);
        const ChangeHandler& handler = this->*category.handler;
        if (handler) handler();
    }
}

void VEMOptions::NotifyWhenFree() {
    if (updateLock_ == 0) Notify();
}

int32_t VEMOptions::Effective(Setting setting) const {
    const SettingInfo& info = InfoOf(setting);
    if (info.speedRuled && !IsSet(Setting::QualityPriority) && !applyOverride_) return info.speedValue;
    return Get(setting);
}

void VEMOptions::MarkAssignment(const SettingInfo& info) {
    uint8_t marks = info.marks;
    if (info.fontGroup >= 0) {
        const auto group = FontKind(info.fontGroup);
        marks |= group == FontKind::Proportional ? kPendingProportional : kPendingFixed;
        // A change to the group not in use only redraws that group's buttons.
        if (group == CurrentFontKind()) marks |= kPendingState | kPendingView;
    }
    pending_ |= marks;
}

bool VEMOptions::Set(Setting setting, int32_t value) {
    const SettingInfo& info = InfoOf(setting);
    if (info.type == SettingType::Text) return false;
    if (info.guarded && !IsSet(Setting::QualityPriority) && !applyOverride_) return false;
    values_.Set(setting, value);
    MarkAssignment(info);
    NotifyWhenFree();
    if (setting == Setting::QualityPriority) {
        // The effective values change everywhere, so both font groups are redrawn as well.
        pending_ |= kPendingAll;
        NotifyWhenFree();
    }
    // The speed gauge is told by the speed controls and commands themselves, not by every
    // assignment (a reset or a profile must not flash it).
    return true;
}

void VEMOptions::SetFontName(FontKind kind, std::string_view name) {
    values_.SetFontName(kind, name);
    MarkAssignment(InfoOf(FontSetting(kind, Setting::PropFontName)));
    NotifyWhenFree();
}

void VEMOptions::AssignFont(FontKind kind, const FontDescription& font) {
    BeginUpdate();
    Set(FontSetting(kind, Setting::PropTextColor), font.color);
    SetFontName(kind, font.name);
    Set(FontSetting(kind, Setting::PropFontSize), font.size);
    Set(FontSetting(kind, Setting::PropBold), font.bold);
    Set(FontSetting(kind, Setting::PropItalic), font.italic);
    Set(FontSetting(kind, Setting::PropUnderline), font.underline);
    Set(FontSetting(kind, Setting::PropStrikeOut), font.strikeOut);
    EndUpdate();
    if (kind == FontKind::Proportional) {
        Set(Setting::ParagraphInterval, ParagraphIntervalForSize(Get(Setting::PropFontSize)));
    }
}

FontDescription VEMOptions::FontOf(int kind) const {
    FontKind group = kind == 0 ? FontKind::Proportional : kind == 1 ? FontKind::Fixed : CurrentFontKind();
    FontDescription font;
    font.name = FontName(group);
    font.size = Get(FontSetting(group, Setting::PropFontSize));
    font.color = Get(FontSetting(group, Setting::PropTextColor));
    font.bold = IsSet(FontSetting(group, Setting::PropBold));
    font.italic = IsSet(FontSetting(group, Setting::PropItalic));
    font.underline = IsSet(FontSetting(group, Setting::PropUnderline));
    font.strikeOut = IsSet(FontSetting(group, Setting::PropStrikeOut));
    return font;
}

void VEMOptions::AssignAllButFontWidth(const SettingValues& from) {
    for (const SettingInfo& info : AllSettings()) {
        if (info.setting == Setting::Proportional) continue;
        if (info.type == SettingType::Text) {
            SetFontName(KindOfFontName(info.setting), from.FontName(KindOfFontName(info.setting)));
        } else {
            Set(info.setting, from.Get(info.setting));
        }
    }
}

void VEMOptions::ResetToFactory() {
    const SettingValues factory;
    BeginUpdate();
    const bool savedOverride = applyOverride_;
    applyOverride_ = true;
    // The font width first, so that the font groups below mark against the group in use.
    Set(Setting::Proportional, factory.Get(Setting::Proportional));
    AssignAllButFontWidth(factory);
    applyOverride_ = savedOverride;
    EndUpdate();
}

void VEMOptions::ApplyStoredSettings(const StoredSettings& stored, VEMOpt* book, bool all) {
    VEMOpt noBook;
    VEMOpt& store = book != nullptr ? *book : noBook;
    const SettingValues& from = stored.values;

    BeginUpdate();
    autoScrollOn_ = false;
    pending_ |= kPendingState;
    const bool savedOverride = applyOverride_;
    applyOverride_ = true;

    Set(Setting::Proportional, store.GetBool(kTagProportional, from.IsSet(Setting::Proportional)));
    if (all) AssignAllButFontWidth(from);
    Set(Setting::TextFormatting, store.GetInt(kTagFormattingMode, from.Get(Setting::TextFormatting)));

    applyOverride_ = savedOverride;
    EndUpdate();
}

}  // namespace corvalin
