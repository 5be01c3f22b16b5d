#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "fs/file_system.h"
#include "settings/start_folder.h"

namespace {

// With --desktop (the menu entry's way of starting it): the configuration folder, made if need
// be; otherwise, or when it cannot be had, the current folder.
std::string StartFolderFor(shotsweep::FileSystem& fs, const QStringList& arguments) {
  if (!arguments.contains(QString::fromLatin1(shotsweep::kDesktopOption.data(), shotsweep::kDesktopOption.size()))) {
    return {};
  }
  const auto folder = shotsweep::DesktopStartFolder([](const char* name) -> std::optional<std::string> {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
  });
  if (!folder) return {};
  if (const auto error = shotsweep::MakeDesktopStartFolder(fs, *folder)) {
    std::fprintf(stderr, "shotsweep: %s; the current folder is the start folder\n", error->Text().c_str());
    return {};
  }
  return *folder;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Shotsweep");
  // The window belongs to the menu entry of this name (on Wayland its app id).
  QGuiApplication::setDesktopFileName("io.github.shotsweep.Shotsweep");
  // Static, so it outlives the threads that may still be reading a pane's folder at exit.
  static const auto disk = shotsweep::MakeDiskFileSystem();
  shotsweep::MainWindow window(*disk, StartFolderFor(*disk, QApplication::arguments()));
  window.show();
  return QApplication::exec();
}
