#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "settings/SettingValues.h"
#include "settings/StoredSettings.h"

namespace corvalin {

class VEMOpt;

// A font as the settings describe it; the reader turns it into a real font.
struct FontDescription {
    std::string name;
    int32_t size = 0;   // points
    int32_t color = 0;  // 0x00BBGGRR
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontDescription&) const = default;
};

using ChangeHandler = std::function<void()>;

// The live settings of the reader. Every assignment marks the change categories that the
// setting affects; outside BeginUpdate/EndUpdate the handlers of the marked categories run at
// once, inside they run once at the outermost EndUpdate.
class VEMOptions {
public:
    VEMOptions() = default;
    VEMOptions(const VEMOptions&) = delete;
    VEMOptions& operator=(const VEMOptions&) = delete;

    // Connected by the main window; an unconnected handler is skipped.
    ChangeHandler OnStateChanged;
    ChangeHandler OnProportionalChanged;
    ChangeHandler OnFixedChanged;
    ChangeHandler OnViewChanged;
    ChangeHandler OnSpeedChanged;

    void BeginUpdate() { ++updateLock_; }
    void EndUpdate();
    // Runs the handlers of the pending categories in the order State, Proportional, Fixed,
    // View, clearing each flag before its handler runs.
    void Notify();
    void Mark(uint8_t pendingFlags) { pending_ |= pendingFlags; }
    // Marks the categories and runs their handlers now, unless an update is in progress (then
    // its EndUpdate does).
    void SignalChange(uint8_t pendingFlags) {
        Mark(pendingFlags);
        NotifyWhenFree();
    }
    uint8_t Pending() const { return pending_; }
    int32_t UpdateLock() const { return updateLock_; }

    // The value as held, whatever Priority says.
    int32_t Get(Setting setting) const { return values_.Get(setting); }
    bool IsSet(Setting setting) const { return values_.IsSet(setting); }
    const std::string& FontName(FontKind kind) const { return values_.FontName(kind); }
    const SettingValues& Values() const { return values_; }
    // The value code that uses the setting must see: under Priority "Speed" (and no override)
    // the settings that trade quality for speed read as their Speed values.
    int32_t Effective(Setting setting) const;
    bool ApplyOverride() const { return applyOverride_; }
    void SetApplyOverride(bool on) { applyOverride_ = on; }

    // Assigns and marks as the options panel control of the setting does. A guarded setting
    // is left alone (nothing marked) while Priority is "Speed" and no override is set.
    // Returns whether the value was taken.
    bool Set(Setting setting, int32_t value);
    void SetFontName(FontKind kind, std::string_view name);
    // The font dialog's confirmation: colour, name, size and the style bits in that order;
    // the proportional group then takes a paragraph interval of a third of the size.
    void AssignFont(FontKind kind, const FontDescription& font);

    // kind 0 proportional, 1 fixed-width, anything else the group in use.
    FontDescription FontOf(int kind) const;
    FontKind CurrentFontKind() const {
        return IsSet(Setting::Proportional) ? FontKind::Proportional : FontKind::Fixed;
    }

    // Every factory default, with the font width first, as one update.
    void ResetToFactory();
    // Copies the start-up values into the live settings. The font width and the formatting
    // come from the open book's record store when it has them (`book` may be null: no book);
    // with `all` every other setting is copied too.
    void ApplyStoredSettings(const StoredSettings& stored, VEMOpt* book, bool all);

    // Whether automatic movement runs; never stored. The caller signals the change.
    bool AutoScrollOn() const { return autoScrollOn_; }
    void SetAutoScrollOn(bool on) { autoScrollOn_ = on; }

    // Set while a handler updates panel controls, so that their change events do not come
    // back in as new assignments.
    bool InHandler() const { return inHandler_; }
    void SetInHandler(bool on) { inHandler_ = on; }

private:
    void MarkAssignment(const SettingInfo& info);
    // Every setting but the font width, each assignment marking as usual.
    void AssignAllButFontWidth(const SettingValues& from);
    void NotifyWhenFree();

    SettingValues values_;
    int32_t updateLock_ = 0;
    uint8_t pending_ = kPendingNone;
    bool inHandler_ = false;
    bool applyOverride_ = false;
    bool autoScrollOn_ = false;
};

// ParagraphInterval that the font dialog derives from a proportional font size.
constexpr int32_t ParagraphIntervalForSize(int32_t fontSize) { return fontSize / 3; }

}  // namespace corvalin
