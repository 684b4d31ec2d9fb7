#include "modpanel.h"

#include "modfiles.h"
#include "modscanner.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { FileColumn, ErrorColumn, WarningColumn };
constexpr int kPathRole = Qt::UserRole;

bool IsCatalog(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.compare(QLatin1String("Plans.dat"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Units.dat"), Qt::CaseInsensitive) == 0;
}

} // namespace

CModPanel::CModPanel(QWidget* parent) : QDockWidget(tr("Mod"), parent) {
    setObjectName(QStringLiteral("modPanel"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    m_list = new QTreeWidget(body);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({tr("File"), tr("Errors"), tr("Warnings")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setSortingEnabled(false);
    m_list->header()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    m_list->header()->setStretchLastSection(false);
    m_list->setAccessibleName(tr("Plan files of the mod"));
    m_summary = new QLabel(body);
    m_summary->setAccessibleName(tr("Mod summary"));
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_list);
    layout->addWidget(m_summary);
    setWidget(body);
    setFocusProxy(m_list);

    // Enter (itemActivated) and a single click both open.
    connect(m_list, &QTreeWidget::itemActivated, this, &CModPanel::Request);
    connect(m_list, &QTreeWidget::itemClicked, this, &CModPanel::Request);
    m_settle = new QTimer(this);
    m_settle->setSingleShot(true);
    m_settle->setInterval(300);
    connect(m_settle, &QTimer::timeout, this, [this] {
        if (!m_mod) return;
        const QStringList changed = std::exchange(m_changed, {});
        Relist();
        // A catalog that changed counts every file again; else the files
        // that changed.
        QStringList again;
        bool catalogs = false;
        for (const QString& path : changed) {
            if (QFileInfo(path).isDir()) {
                for (const char* name : {"Plans.dat", "Units.dat"})
                    catalogs = StampChanged(QDir(path).filePath(QLatin1String(name))) || catalogs;
                for (const QString& file : m_mod->Files())
                    if (QFileInfo(file).absolutePath() == path && StampChanged(file)) again << file;
            } else if (IsCatalog(path)) {
                catalogs = StampChanged(path) || catalogs;
            } else if (m_items.contains(path) && StampChanged(path)) {
                again << path;
            }
        }
        if (catalogs) again = m_mod->Files();
        for (const QString& path : std::as_const(again))
            m_items[path]->setText(ErrorColumn, QStringLiteral("…"));
        m_scanner->Queue(again);
        UpdateSummary();
        Watch();
    });
}

CModPanel::~CModPanel() = default;

bool CModPanel::Open(const QString& folder, const QString& programFolder, QString& error) {
    auto mod = std::make_unique<CModFiles>(folder, programFolder);
    if (!mod->Refresh(&error)) return false;
    if (mod->Files().isEmpty()) {
        error = tr("The folder holds no plan file (.zeq).");
        return false;
    }
    Close();
    m_mod = std::move(mod);
    setWindowTitle(tr("Mod: %1").arg(QDir(m_mod->Root()).dirName()));
    setToolTip(QDir::toNativeSeparators(m_mod->Root()));
    m_scanner = std::make_unique<CModScanner>(m_mod->Root(), programFolder);
    connect(m_scanner.get(), &CModScanner::Checked, this, [this](const CModScanner::Counts& c) {
        ShowCounts(c.path, c.errors, c.warnings, c.problem);
    });
    connect(m_scanner.get(), &CModScanner::Idle, this, [this] {
        UpdateSummary();
        emit Counted();
    });
    Relist();
    m_list->setCurrentItem(m_list->topLevelItem(0));
    Watch();
    return true;
}

void CModPanel::SelectFile(const QString& path) {
    if (QTreeWidgetItem* item = m_items.value(QDir::cleanPath(QFileInfo(path).absoluteFilePath())))
        m_list->setCurrentItem(item);
}

void CModPanel::Close() {
    m_scanner.reset();
    m_mod.reset();
    m_list->clear();
    m_items.clear();
    m_changed.clear();
    m_stamps.clear();
    delete m_watch;
    m_watch = nullptr;
    setWindowTitle(tr("Mod"));
    m_summary->clear();
}

int CModPanel::Pending() const {
    return m_scanner ? m_scanner->Pending() : 0;
}

// The files as they are now: new ones are listed and counted, gone ones
// leave the list, the others keep their counts.
void CModPanel::Relist() {
    if (!m_mod->Refresh()) m_mod->SetFiles({});
    QStringList added;
    QHash<QString, QTreeWidgetItem*> kept;
    QList<QTreeWidgetItem*> rows;
    for (const QString& path : m_mod->Files()) {
        QTreeWidgetItem* item = m_items.take(path);
        if (!item) {
            item = new QTreeWidgetItem({m_mod->Shown(path), QStringLiteral("…"), QString()});
            item->setData(FileColumn, kPathRole, path);
            item->setToolTip(FileColumn, QDir::toNativeSeparators(path));
            item->setTextAlignment(ErrorColumn, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(WarningColumn, Qt::AlignRight | Qt::AlignVCenter);
            added << path;
            StampChanged(path);
        }
        kept.insert(path, item);
        rows << item;
    }
    qDeleteAll(m_items); // the files that went
    m_items = kept;
    const QString current = m_list->currentItem()
                                ? m_list->currentItem()->data(FileColumn, kPathRole).toString()
                                : QString();
    while (m_list->topLevelItemCount() > 0)
        m_list->takeTopLevelItem(0);
    m_list->addTopLevelItems(rows);
    if (m_items.contains(current)) m_list->setCurrentItem(m_items[current]);
    m_list->resizeColumnToContents(ErrorColumn);
    m_list->resizeColumnToContents(WarningColumn);
    m_scanner->Queue(added);
    UpdateSummary();
}

void CModPanel::ShowCounts(const QString& path, int errors, int warnings, const QString& problem) {
    QTreeWidgetItem* item = m_items.value(path);
    if (!item) return;
    item->setText(ErrorColumn, problem.isEmpty() ? QString::number(errors) : tr("unreadable"));
    item->setText(WarningColumn, problem.isEmpty() ? QString::number(warnings) : QString());
    item->setData(ErrorColumn, kPathRole, problem.isEmpty() ? errors : 1);
    item->setData(WarningColumn, kPathRole, warnings);
    item->setToolTip(ErrorColumn, problem);
    // Files with errors stand out; with nothing to say, they stay quiet.
    QFont font = item->font(FileColumn);
    font.setBold(errors > 0 || !problem.isEmpty());
    item->setFont(FileColumn, font);
    if (Pending() == 0) UpdateSummary();
}

QString CModPanel::Summary() const {
    return m_summary->text();
}

void CModPanel::UpdateSummary() {
    if (!m_mod) return;
    int errors = 0, warnings = 0;
    for (QTreeWidgetItem* item : std::as_const(m_items)) {
        errors += item->data(ErrorColumn, kPathRole).toInt();
        warnings += item->data(WarningColumn, kPathRole).toInt();
    }
    const int files = int(m_items.size());
    QString text = tr("%n file(s)", nullptr, files) + ": " + tr("%n error(s)", nullptr, errors) +
                   ", " + tr("%n warning(s)", nullptr, warnings);
    if (const int pending = Pending(); pending > 0)
        text += " " + tr("(checking %1 of %2...)").arg(files - pending + 1).arg(files);
    m_summary->setText(text);
}

bool CModPanel::StampChanged(const QString& path) {
    const QFileInfo info(path);
    const QString stamp = info.exists() ? QString::number(info.size()) + u' ' +
                                              info.lastModified().toString(Qt::ISODateWithMs)
                                        : QString();
    QString& was = m_stamps[path];
    return std::exchange(was, stamp) != stamp;
}

// Folders for files that come and go (and catalogs that change), files for
// saves. An editor that saves by replacing the file ends the watch on it,
// so it is set again after each change.
void CModPanel::Watch() {
    if (!m_mod) return;
    if (!m_watch) {
        m_watch = new QFileSystemWatcher(this);
        connect(m_watch, &QFileSystemWatcher::directoryChanged, this, &CModPanel::Changed);
        connect(m_watch, &QFileSystemWatcher::fileChanged, this, &CModPanel::Changed);
    }
    QStringList paths{m_mod->Root()};
    for (qsizetype i = 0; i < paths.size(); ++i) // hidden folders (.git) left out
        for (const QFileInfo& folder :
             QDir(paths[i]).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            paths << folder.absoluteFilePath();
    for (const QString& folder : QStringList(paths))
        for (const char* name : {"Plans.dat", "Units.dat"})
            if (const QString catalog = QDir(folder).filePath(QLatin1String(name));
                QFileInfo::exists(catalog)) {
                if (!m_stamps.contains(catalog)) StampChanged(catalog);
                paths << catalog;
            }
    paths << m_mod->Files();
    const QStringList watched = m_watch->files() + m_watch->directories();
    QStringList missing;
    for (const QString& path : std::as_const(paths))
        if (!watched.contains(path)) missing << path;
    if (!missing.isEmpty()) m_watch->addPaths(missing);
}

void CModPanel::Changed(const QString& path) {
    m_changed << path;
    m_settle->start();
}

void CModPanel::Request(QTreeWidgetItem* item) {
    if (item) emit FileRequested(item->data(FileColumn, kPathRole).toString());
}
