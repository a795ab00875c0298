#include "shell/installation.h"

#include "platform/text_file.h"
#include "shell/app_paths.h"
#include "shell/shipped_files.h"

namespace Installation {

std::vector<std::string> repair(const AppPaths& paths)
{
    std::vector<std::string> problems;
    for (const std::string_view folder : {"/files", "/buffer", "/html"}) {
        const std::filesystem::path path = paths.file(folder);
        std::error_code error;
        if (!std::filesystem::is_directory(path, error) && !std::filesystem::create_directories(path, error))
            problems.push_back("The folder \"" + path.string() + "\" is missing and could not be made.");
    }

    const auto ensure = [&](std::string_view relative, std::string_view bytes) {
        const std::filesystem::path path = paths.file(relative);
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, error)))
            return;
        const TextFile::WriteResult written = TextFile::writeBytes(path, bytes);
        if (!written.ok())
            problems.push_back(written.error);
    };
    ensure(AppPaths::NoSurf, {});
    ensure(AppPaths::Pref, {});
    ensure(AppPaths::Log, {});
    for (int day = 1; day <= 7; ++day)
        ensure(AppPaths::schedule(day), {});
    ensure(AppPaths::IntroPage, shippedFile("intro.htm"));
    ensure(AppPaths::FavoritesPage, shippedFile("favorites.htm"));
    ensure("/html/tobrin_ico.gif", shippedFile("tobrin_ico.gif"));
    return problems;
}

} // namespace Installation
