#include "shell/installation.h"

#include "platform/text_file.h"
#include "shell/app_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace Installation {

QStringList repair(const AppPaths& paths)
{
    QStringList problems;
    for (const QString& folder :
         {QStringLiteral("/files"), QStringLiteral("/buffer"), QStringLiteral("/html")}) {
        const QString path = paths.file(folder);
        if (!QFileInfo(path).isDir() && !QDir().mkpath(path)) {
            problems << QStringLiteral("The folder \"%1\" is missing and could not be made.")
                            .arg(QDir::toNativeSeparators(path));
        }
    }

    auto ensure = [&](const QString& relative, const QByteArray& bytes) {
        const QString path = paths.file(relative);
        if (QFileInfo::exists(path))
            return;
        const TextFile::WriteResult written = TextFile::writeBytes(path, bytes);
        if (!written.ok())
            problems << written.error;
    };
    auto shipped = [](const QString& name) {
        QFile f(QStringLiteral(":/installation/") + name);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };

    ensure(AppPaths::NoSurf, {});
    ensure(AppPaths::Pref, {});
    ensure(AppPaths::Log, {});
    for (int day = 1; day <= 7; ++day)
        ensure(AppPaths::schedule(day), {});
    ensure(AppPaths::IntroPage, shipped(QStringLiteral("intro.htm")));
    ensure(AppPaths::FavoritesPage, shipped(QStringLiteral("favorites.htm")));
    ensure(QStringLiteral("/html/tobrin_ico.gif"), shipped(QStringLiteral("tobrin_ico.gif")));
    return problems;
}

} // namespace Installation
