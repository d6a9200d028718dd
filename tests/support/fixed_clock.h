#pragma once
#include <string>

#include "core/text/clock.h"

namespace lumivane::test {

// A clock that always says the same thing.
class FixedClock : public Clock {
public:
    explicit FixedClock(std::string date = "05/12/2026", std::string time = "14:03:27")
        : date_(std::move(date)), time_(std::move(time))
    {
    }
    std::string shortDateText() const override { return date_; }
    std::string generalDateTimeText() const override { return date_ + " " + time_; }
    void set(std::string date, std::string time)
    {
        date_ = std::move(date);
        time_ = std::move(time);
    }

private:
    std::string date_;
    std::string time_;
};

}  // namespace lumivane::test
