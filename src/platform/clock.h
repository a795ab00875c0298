#pragma once

#include <glibmm/datetime.h>

#include <string>
#include <string_view>

// The local clock, injectable so that tests can set any weekday and time.
// now() is a local time (get_day_of_week(): 1 Monday ... 7 Sunday); one that
// cannot be told is an empty Glib::DateTime (false as a bool).
class Clock
{
public:
    virtual ~Clock() = default;
    virtual Glib::DateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    Glib::DateTime now() const override { return Glib::DateTime::create_now_local(); }
};

// A date and time as the parent reads it everywhere in the program: the
// short date, then the short time, of the locale the run's times are told
// in (LC_ALL, LC_TIME or LANG), or of the locale named.
std::string dateTimeText(const Glib::DateTime& moment);
std::string dateTimeText(const Glib::DateTime& moment, std::string_view localeName);
