#pragma once

#include <QString>

// The application directory and the files below it. Every path is the
// directory followed directly by a fixed relative text that starts with "/".
class AppPaths
{
public:
    explicit AppPaths(QString applicationDirectory);

    const QString& directory() const { return m_directory; }

    // A file path: directory + relative ("/files/nosurf.txt").
    QString file(const QString& relative) const;
    // The address the page view is sent to for a local page ("/html/intro.htm").
    QString pageAddress(const QString& relative) const;

    // The relative texts of the installation's files.
    static inline const QString NoSurf = QStringLiteral("/files/nosurf.txt");
    static inline const QString Pref = QStringLiteral("/files/pref.txt");
    static inline const QString Log = QStringLiteral("/files/log.txt");
    // The name of the code page the files above are kept in.
    static inline const QString CodePageName = QStringLiteral("/files/codepage.txt");
    static inline const QString FavoritesPage = QStringLiteral("/html/favorites.htm");
    static inline const QString IntroPage = QStringLiteral("/html/intro.htm");
    // The only local files the page view shows.
    static inline const QString PagesFolder = QStringLiteral("/html");
    // "/buffer/buf1.log" (Monday) to "/buffer/buf7.log" (Sunday).
    static QString schedule(int dayNumber);

private:
    QString m_directory;
};
