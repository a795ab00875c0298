#include "shell/module1.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[])
{
    // A file that may grow no further fails its write, which the program
    // handles, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    for (int i = 1; i < argc; ++i) {
        const std::string option(argv[i]);
        if (option != "--code-page" && !option.starts_with("--code-page="))
            continue;
        // Needs no display: it converts files and ends.
        const auto equals = option.find('=');
        const std::string name = equals != std::string::npos ? option.substr(equals + 1)
                                 : i + 1 < argc              ? std::string(argv[i + 1])
                                                             : std::string();
        return Module1::ChangeCodePage(name);
    }
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!x11 || !*x11) && (!wayland || !*wayland)) {
        std::fprintf(stderr,
                     "tobrin: there is no display to open the window on; "
                     "to try it without one: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    // GTK's cairo renderer draws the same pages as its GL one here, with a
    // sixth less memory, and does not need the software GL that failed to
    // allocate beside a million-word list. A setting given from outside wins.
    setenv("GSK_RENDERER", "cairo", 0);
    return Module1::Main();
}
