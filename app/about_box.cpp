#include "app/about_box.h"

#include <QMessageBox>

namespace shotsweep {

QString CreditLine() {
  return "Shotsweep " SHOTSWEEP_VERSION_MAJOR "." SHOTSWEEP_VERSION_MINOR
         ", free software (GNU GPL), for photographers who shoot RAW + JPG.";
}

QString FullVersion() { return SHOTSWEEP_VERSION; }

QString AboutText() {
  return QString("<h3>Shotsweep %1</h3>"
                 "<p>Deletes, sets aside or trashes every RAW file whose JPG twin is gone, and extracts the "
                 "preview JPG that a RAW file holds.</p>"
                 "<p>%2</p>"
                 "<p>Copyright 2026 Shotsweep developers. Licence: GNU General Public License, version 3 or "
                 "later (GPL-3.0-or-later); there is no warranty.</p>"
                 "<p>The manual: <tt>man shotsweep</tt> (and <tt>man shotsweep-cli</tt>), and the README in "
                 "<tt>share/doc/shotsweep</tt> where Shotsweep is installed (<tt>/usr/share/doc/shotsweep</tt> "
                 "from the Debian package).</p>")
      .arg(FullVersion(), CreditLine().toHtmlEscaped());
}

void ShowAbout(QWidget* parent) { QMessageBox::about(parent, "About Shotsweep", AboutText()); }

QString CommandLineHelp() {
  return "Usage: shotsweep [--desktop]\n"
         "\n"
         "Opens the Shotsweep window: after the JPG files are culled, it deletes, sets aside (as\n"
         "\"bak\" files) or trashes every RAW file whose JPG twin is gone, and extracts the preview\n"
         "JPG that RAW files hold. Its settings (Shotsweep.ini) and the last folder pair are kept\n"
         "in the current folder.\n"
         "\n"
         "  --desktop   keep them in ~/.config/shotsweep instead, as the menu entry does\n"
         "  --help      show this and end\n"
         "  --version   show the version and end\n"
         "\n"
         "Qt's own options, such as -platform, are taken too. Without a window: shotsweep-cli.\n"
         "The manual: man shotsweep.\n";
}

QString VersionText() { return "shotsweep " + FullVersion() + "\n"; }

}  // namespace shotsweep
