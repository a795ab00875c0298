#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

// The readers take a path, so each input is written to one scratch file.
inline QString fuzzInputFile(const uint8_t* data, size_t size)
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/tobrin-fuzz-%1.txt").arg(QString::number(getpid()));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    return path;
}
