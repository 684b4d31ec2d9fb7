#pragma once

#include <QDialog>

// "About ZEQ Editor": the program icon, its version and credits, and which
// catalogs are in use.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr, const QString& catalogs = {});
};
