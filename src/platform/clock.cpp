#include "platform/clock.h"

#include <QLocale>

QString dateTimeText(const QDateTime& moment)
{
    return QLocale::system().toString(moment, QLocale::ShortFormat);
}
