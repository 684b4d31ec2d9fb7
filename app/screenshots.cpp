// zeq-screenshots: draws the main window and a dialog offscreen, in each
// plan-list style, into PNG files, so that the look can be checked at any
// scale and with a dark palette without a desktop:
//   QT_QPA_PLATFORM=offscreen zeq-screenshots DIR [--dark] [--scale 2] FILE
// It fails when a field of the dialog holds a value that is not drawn (a
// font the system cannot render, as met under Wine).
// With --guide, the pictures of the user guide instead: the main window, its
// Issues panel, each dialog and the source editor.

#include "commandids.h"
#include "desktopui.h"
#include "leftview.h"
#include "mainframe.h"
#include "matchdlg.h"
#include "modcommands.h"
#include "modpanel.h"
#include "plansettingsdlg.h"
#include "qtext.h"
#include "renameunitsdlg.h"
#include "rightview.h"
#include "sourceeditordlg.h"
#include "startcheatdlg.h"
#include "zeqeditorapp.h"
#include "zeqeditordoc.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPalette>
#include <QSignalBlocker>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// A dark desktop, as a dark platform theme hands it to the program.
QPalette DarkPalette() {
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 32), text(225, 225, 225);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return p;
}

bool Save(QWidget* widget, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name + ".png");
    if (widget->grab().save(path)) return true;
    std::fprintf(stderr, "zeq-screenshots: cannot write %s\n", qPrintable(path));
    return false;
}

// The fields holding a value that looks the same as when empty: the
// value's text is not drawn.
QStringList UndrawnFields(QWidget* dialog) {
    QStringList undrawn;
    for (QLineEdit* field : dialog->findChildren<QLineEdit*>()) {
        if (!field->isVisible() || field->text().isEmpty()) continue;
        const QString text = field->text();
        const QImage drawn = field->grab().toImage();
        const QSignalBlocker quiet(field);
        field->setText(QString());
        if (field->grab().toImage() == drawn) undrawn << text;
        field->setText(text);
    }
    return undrawn;
}

// A mod of two factions, one file with faults, the catalogs (from the
// working folder) at its top: the Mod panel with where a unit is used, and
// the rename's preview.
bool ModPictures(CZeqEditorApp& app, const QDir& out, const QString& faulty) {
    QTemporaryDir dir;
    const QDir mod(dir.filePath(QStringLiteral("my-mod")));
    for (const char* folder : {"ironclad", "verdant"})
        mod.mkpath(QString::fromLatin1(folder));
    QFile::copy(faulty, mod.filePath(QStringLiteral("ironclad/ironclad_defence.zeq")));
    for (const char* name : {"Plans.dat", "Units.dat"})
        QFile::copy(QString::fromLatin1(name), mod.filePath(QString::fromLatin1(name)));
    const QDir shipped(QStringLiteral("samples"));
    QFile::copy(shipped.filePath(QStringLiteral("neutral_outpost.zeq")),
                mod.filePath(QStringLiteral("ironclad/outpost.zeq")));
    QFile::copy(shipped.filePath(QStringLiteral("verdant_rush.zeq")),
                mod.filePath(QStringLiteral("verdant/verdant_rush.zeq")));
    CMainFrame* frame = app.MainFrame();
    if (!app.OpenFolder(mod.path())) return false;
    CModCommands* commands = frame->ModCommands();
    while (commands->Panel()->Pending() > 0)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    commands->WhereUsed(QStringLiteral("iu_bulwark"));
    frame->resize(1180, 640);
    QApplication::processEvents();
    bool ok = Save(frame, out, QStringLiteral("mod"));
    CRenameUnitsDlg rename(*commands->Mod(),
                           QStringLiteral("iu_bulwark=va_bulwark\niu_maul=va_crusher\n"), frame);
    rename.resize(1000, 420);
    rename.show();
    rename.UpdatePreview();
    QApplication::processEvents();
    return Save(&rename, out, QStringLiteral("rename-units")) && ok;
}

// The guide's pictures, of the sample FILE and of a copy with faults.
bool GuidePictures(CZeqEditorApp& app, const QDir& out, const QString& faulty) {
    CMainFrame* frame = app.MainFrame();
    frame->resize(1180, 560);
    frame->RunCommand(ID_VIEW_DETAILS);
    frame->show();
    CLeftView* tree = frame->GetLeftPane();
    tree->expandAll();
    frame->GetRightPane()->SelectRow(2, true);
    QApplication::processEvents();
    bool ok = Save(frame, out, QStringLiteral("main-window"));

    const CPlanData& data = app.Document()->Data();
    auto shoot = [&](QDialog&& dialog, const char* name) {
        dialog.show();
        QApplication::processEvents();
        ok = Save(&dialog, out, QString::fromLatin1(name)) && ok;
    };
    shoot(CPlanSettingsDlg(app.Context(), data.plans.All()[2].get(), frame), "plan-settings");
    shoot(CMatchDlg(app.Context(), data.matches.All()[0].get(), frame), "match");
    shoot(CStartCheatDlg(app.Context(), data.start, frame), "start-cheat");
    CSourceEditorDlg source(app.Context(), ToQt(app.Document()->SaveText()), frame);
    source.resize(720, 460);
    source.show();
    source.GoToLine(24);
    QApplication::processEvents();
    ok = Save(&source, out, QStringLiteral("source-editor")) && ok;
    source.reject();

    if (!app.OpenDocumentFile(faulty)) return false;
    frame->GetRightPane()->SelectRow(0, true);
    QApplication::processEvents();
    ok = Save(frame, out, QStringLiteral("issues")) && ok;
    return ModPictures(app, out, faulty) && ok;
}

} // namespace

int main(int argc, char** argv) {
    // --scale N, for where the environment does not reach the program (Wine
    // passes no QT_ variables on); read before Qt starts.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--scale") == 0) qputenv("QT_SCALE_FACTOR", argv[i + 1]);
    QApplication application(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool dark = args.removeAll(QStringLiteral("--dark")) > 0;
    const bool guide = args.removeAll(QStringLiteral("--guide")) > 0;
    if (const qsizetype scale = args.indexOf(QStringLiteral("--scale")); scale >= 0)
        args.remove(scale, std::min<qsizetype>(2, args.size() - scale));
    if (args.size() != (guide ? 3 : 2)) {
        std::fputs("Usage: zeq-screenshots DIR [--dark] [--scale N] FILE\n"
                   "       zeq-screenshots --guide DIR FILE FAULTY-FILE\n",
                   stderr);
        return 2;
    }
    if (dark) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(DarkPalette());
    }
    const QDir out(args[0]);
    QTemporaryDir settings;
    CDesktopUi ui;
    SetUi(&ui);
    CZeqEditorApp app;
    app.InitInstance({args[1], settings.filePath(QStringLiteral("zeq-editor.cfg"))});
    if (guide) return GuidePictures(app, out, args[2]) ? 0 : 1;
    CMainFrame* frame = app.MainFrame();
    frame->resize(980, 640);
    bool ok = true;
    for (auto [id, name] : {std::pair{ID_VIEW_DETAILS, "details"},
                            {ID_VIEW_LARGEICON, "large-icons"},
                            {ID_VIEW_SMALLICON, "small-icons"},
                            {ID_VIEW_LIST, "list"}}) {
        frame->RunCommand(id);
        QApplication::processEvents();
        ok = Save(frame, out, QString::fromLatin1(name)) && ok;
    }
    const PlanEntry* plan = app.Document()->Data().plans.All().empty()
                                ? nullptr
                                : app.Document()->Data().plans.All().front().get();
    CPlanSettingsDlg dialog(app.Context(), plan, frame);
    dialog.show();
    QApplication::processEvents();
    ok = Save(&dialog, out, QStringLiteral("plan-settings")) && ok;
    if (const QStringList undrawn = UndrawnFields(&dialog); !undrawn.isEmpty()) {
        std::fprintf(stderr, "zeq-screenshots: the values %s are not drawn\n",
                     qPrintable(undrawn.join(QStringLiteral(", "))));
        ok = false;
    }
    return ok ? 0 : 1;
}
