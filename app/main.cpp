// zeq-editor: starts the application. Everything else lives in CZeqEditorApp.

#include "desktopui.h"
#include "icons.h"
#include "zeqeditorapp.h"
#include "zeqversion.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

constexpr const char* kUsage =
    "Usage: zeq-editor [--settings FILE] [FILE | FOLDER]\n"
    "\n"
    "ZEQ Editor: an editor for the AI plan files (.zeq) of a real-time strategy game.\n"
    "\n"
    "  FILE             the plan file to open; without it the most recent file\n"
    "                   opens (when the setting OpenLastArchive allows), else an\n"
    "                   empty document\n"
    "  FOLDER           a mod's folder: its plan files in the Mod panel\n"
    "  --settings FILE  keep the settings in FILE instead of zeq-editor.cfg\n"
    "  --help           show this text\n"
    "  --version        show the version\n";

int UsageError(const char* message) {
    std::fprintf(stderr, "zeq-editor: %s\n\n%s", message, kUsage);
    return 2;
}

// Without a display Qt would abort; say so plainly instead.
bool HasDisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
#else
    return true;
#endif
}

} // namespace

int main(int argc, char** argv) {
    CZeqEditorApp::Options options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::puts("zeq-editor " ZEQ_VERSION);
            return 0;
        }
        if (std::strcmp(arg, "--settings") == 0) {
            if (++i >= argc) return UsageError("--settings needs a file name");
            options.settingsPath = QString::fromLocal8Bit(argv[i]);
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return UsageError("unknown option");
        } else if (!options.file.isEmpty()) {
            return UsageError("only one file can be opened");
        } else {
            options.file = QString::fromLocal8Bit(arg);
        }
    }
    if (!HasDisplay()) {
        std::fputs("zeq-editor: no display to show the editor on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set).\nRun it from a desktop session, or use the "
                   "'zeq' tool to check and format plan files without one.\n",
                   stderr);
        return 1;
    }

#if defined(_WIN32)
    // Held while the program runs, and let go by Windows when it ends
    // however it ends: the installer waits for it, since a running program
    // cannot be replaced.
    CreateMutexW(nullptr, FALSE, L"ZEQEditor.Running");
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zeq-editor"));
    // No display name: window managers would append it to the title a
    // second time ("ZEQ Editor - name.zeq - ZEQ Editor").
    QApplication::setApplicationVersion(QStringLiteral(ZEQ_VERSION));
    QApplication::setWindowIcon(Icons::Application());

    CDesktopUi ui;
    SetUi(&ui);
    CZeqEditorApp app;
    if (!app.InitInstance(options)) return 1;
    return QApplication::exec();
}
