#include "core/tariff/reading_before_scope.h"

#include "core/tariff/register_rules.h"

namespace lumivane {

std::optional<ReadingBeforeScope> readingBeforeScope(std::string_view bytes, const LayoutShape& shape,
                                                     const ScopeRule& scope, const SettingsRecord& settings)
{
    if (settings.settingsJoinPeriods != 1 || !scope.enabled)
        return std::nullopt;
    // Every day before the start, as far back as any four-digit year goes.
    constexpr long long kDaysBack = 1LL << 40;
    const ScopeRule before{true, scope.startDay - kDaysBack, kDaysBack, scope.startDayOfMonth};
    std::optional<ReadingBeforeScope> last;
    ReadingFilter filter(shape, true, before);
    const auto walked = walkMeterReadings(bytes, filter, [&](const MeterReading& r) -> Expected<void> {
        const auto value = meterValueOf(r);
        if (!value)
            return {};
        if (*value == kNoReadingValue) {
            last.reset();
            return {};
        }
        if (!last)
            last.emplace();
        last->value = *value;
        last->timestampText.assign(r.timestampText);
        last->stamp = r.stamp;
        return {};
    });
    // A line that cannot be read stops the booking walk there too, and names it.
    if (!walked)
        return std::nullopt;
    return last;
}

}  // namespace lumivane
