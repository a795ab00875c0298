#pragma once

#include "platform/code_page.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <unistd.h>

#include <array>

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

// One of the code pages the files may be in, chosen by the input's last byte.
inline const CodePage& fuzzCodePage(const uint8_t* data, size_t size)
{
    static const std::array<CodePage, 10> pages = {
        CodePage("CP1252"), CodePage("CP1250"), CodePage("CP1251"), CodePage("CP1253"),
        CodePage("CP1254"), CodePage("CP1255"), CodePage("CP1256"), CodePage("CP1257"),
        CodePage("CP1258"), CodePage("CP874")};
    return pages[size ? data[size - 1] % pages.size() : 0];
}

// A second scratch file, for writing back what was read.
inline QString fuzzOutputFile()
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/tobrin-fuzz-%1.out").arg(QString::number(getpid()));
    return path;
}
