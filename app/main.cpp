#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/about_box.h"
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

// Answers --help and --version, which need no display: they are looked for before Qt is
// started, since starting it without one ends the program. -1 when neither was asked for.
int AnswerInfoOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    const QString text = argument == "--help" || argument == "-h" ? shotsweep::CommandLineHelp()
                         : argument == "--version"                ? shotsweep::VersionText()
                                                                  : QString();
    if (text.isEmpty()) continue;
    const QByteArray bytes = text.toLocal8Bit();
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout) ==
                         static_cast<std::size_t>(bytes.size());
    return written && std::fflush(stdout) == 0 ? 0 : 1;
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = AnswerInfoOption(argc, argv); status >= 0) return status;
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
