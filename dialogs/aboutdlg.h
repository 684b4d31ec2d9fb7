#pragma once

#include <QDialog>

// "About ZEQ Editor": the program icon, its version and credits, and the
// details of this run (which catalogs are in use, where the settings are).
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& details = {});
};
