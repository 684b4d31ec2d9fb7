#pragma once

#include <QIcon>
#include <QPixmap>

// The program's artwork, drawn in code so that it scales and needs no files.
namespace Icons {

// The program icon, at every size from 16 to 256 pixels.
QIcon Application();
QPixmap ApplicationPixmap(int size);

// The images of the toolbar's commands and the dialogs' buttons.
enum class Art {
    New,
    Open,
    Save,
    StartCheat,
    Source,
    Insert,
    Edit,
    Delete,
    LargeIcons,
    SmallIcons,
    List,
    Details,
    MoveUp,
    MoveDown,
    AutoArrange,
    About,
    Undo,
    Redo,
    IssueError,
    IssueWarning,
    IssueLoss,
};
QIcon Get(Art art);

// The "..." buttons that open the unit picker.
QIcon Picker();

// The built-in strip of the 13 plan-type icons, `size` pixels square each,
// laid out left to right, with a transparent background.
QPixmap PlanTypeStrip(int size);
constexpr int kPlanTypeIconCount = 13;

} // namespace Icons
