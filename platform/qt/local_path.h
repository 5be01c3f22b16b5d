#pragma once
// Paths cross between Qt and the rest of the program as the file system's own bytes
// (the locale's encoding), so a name that is not valid text still reaches the same file.

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace shotsweep {

inline std::string ToLocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline QString FromLocalPath(std::string_view path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace shotsweep
