#pragma once

#include "appcontext.h"
#include "appsettings.h"
#include "planmanager.h"
#include "unitlist.h"

#include <QFile>
#include <QTemporaryDir>

// Whole files, written and read as the tests need them.
inline QString Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

inline QByteArray Read(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// What the dialogs and the source editor are handed, without an application:
// the shipped catalogs (or empty ones to fill by hand) and a settings file
// of the test's own.
struct TestContext {
    explicit TestContext(bool shipped = true) {
        if (!shipped) return;
        units.LoadUnits(ZEQ_DATA_DIR "/Units.dat");
        planTypes.LoadPlanTypes(ZEQ_DATA_DIR "/Plans.dat");
    }
    QString SettingsPath() const { return dir.filePath("settings.cfg"); }

    QTemporaryDir dir;
    CUnitList units;
    CPlanManager planTypes;
    CAppSettings settings{dir.filePath("settings.cfg").toStdString()};
    CAppContext context{units, planTypes, settings};
};
