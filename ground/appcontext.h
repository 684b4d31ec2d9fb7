#pragma once

class CAppSettings;
class CPlanManager;
class CUnitList;

// What the window layer knows besides the document: the two catalogs read
// at start-up and the settings. The application builds it once and hands it
// by reference to the frame, the panes and the dialogs.
class CAppContext {
public:
    CAppContext(const CUnitList& units, const CPlanManager& planTypes, const CAppSettings& settings)
        : m_units(units), m_planTypes(planTypes), m_settings(settings) {}

    const CUnitList& Units() const { return m_units; }
    const CPlanManager& PlanTypes() const { return m_planTypes; }
    const CAppSettings& Settings() const { return m_settings; }

private:
    const CUnitList& m_units;
    const CPlanManager& m_planTypes;
    const CAppSettings& m_settings;
};
