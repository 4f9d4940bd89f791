#pragma once

class frmMain;
class frmMeds;
class frmExtraction;
class frmview;

// Each screen exists at most once. Showing one creates it when it does not
// exist (never opened, or closed by the user), then shows and activates it;
// a screen that was closed starts again from its designed state.
namespace Screens {

frmMain *showMainMenu();
frmMeds *showMedicine();
frmExtraction *showExtraction();
frmview *showWristbands();

// The open instances, or null.
frmMain *mainMenu();
frmMeds *medicine();
frmExtraction *extraction();
frmview *wristbands();

// Deletes every window still there, closed or not, with whatever it was
// about to delete; for the end of the run.
void deleteAll();

} // namespace Screens
