#pragma once

#include <QDateTime>
#include <QString>

// The local clock, injectable so that tests can set any weekday and time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A date and time as the parent reads it everywhere in the program: the
// locale's short date, then its short time.
QString dateTimeText(const QDateTime& moment);
