#pragma once
// Who made Shotsweep and on what terms, and where its manual is: the credit line under the
// window's about text, the "About Shotsweep" box of the Help menu, and what "shotsweep
// --help" and "--version" print before any window could be made.

#include <QString>

class QWidget;

namespace shotsweep {

// "Shotsweep 1.8, free software (GNU GPL), ...": the last line of the window's about text.
QString CreditLine();
// The full version, "1.8.1".
QString FullVersion();
// The About box's text, rich text.
QString AboutText();
void ShowAbout(QWidget* parent);

// What "shotsweep --help" and "shotsweep --version" print.
QString CommandLineHelp();
QString VersionText();

}  // namespace shotsweep
