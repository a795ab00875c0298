#include "shell/app_paths.h"

#include <QUrl>

AppPaths::AppPaths(QString applicationDirectory) : m_directory(std::move(applicationDirectory))
{
    // Kept without a trailing separator, except for the root itself.
    while (m_directory.size() > 1 && m_directory.endsWith(u'/'))
        m_directory.chop(1);
}

QString AppPaths::file(const QString& relative) const
{
    // The root already ends in "/"; doubled, "//html" would read as a host
    // name in a page address.
    if (m_directory.endsWith(u'/') && relative.startsWith(u'/'))
        return m_directory + relative.mid(1);
    return m_directory + relative;
}

QString AppPaths::pageAddress(const QString& relative) const
{
    return QUrl::fromLocalFile(file(relative)).toString();
}

QString AppPaths::schedule(int dayNumber)
{
    return QStringLiteral("/buffer/buf%1.log").arg(dayNumber);
}
