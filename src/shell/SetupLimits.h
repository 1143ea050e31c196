#pragma once

#include <QVariant>

namespace tabulo::shell {

// The pop-up interval the setup form accepts, in minutes.
inline constexpr int kMinPopupMinutes = 0;
inline constexpr int kMaxPopupMinutes = 240;

// Whether a "Popup Interval:" value may be saved.
inline bool popupIntervalInRange(const QVariant &minutes) {
    bool ok = false;
    const qlonglong value = minutes.toLongLong(&ok);
    return ok && value >= kMinPopupMinutes && value <= kMaxPopupMinutes;
}

} // namespace tabulo::shell
