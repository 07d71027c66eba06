// The text files that the "Source code" page lists and shows.
#include "SourceFiles.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include "ravlin/file_system.h"

namespace {

[[noreturn]] void throwCannotOpen(const QString& path, int err) {
  const QString message = QStringLiteral("Cannot open file \"%1\". %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(err)));
  throw std::runtime_error(message.toStdString());
}

// Closes the file on every way out.
class OpenFile {
 public:
  OpenFile(ravlin::FileSystem& fs, int fd) : fs_(fs), fd_(fd) {}
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  ~OpenFile() { fs_.close(fd_); }
  int get() const { return fd_; }

 private:
  ravlin::FileSystem& fs_;
  int fd_;
};

QByteArray readAllBytes(ravlin::FileSystem& fs, const QString& path) {
  // A folder fails with its own reason. The file layer opens only regular files, without ever
  // waiting: a FIFO could wait for a writer and freeze the window, and a device such as /dev/zero
  // never ends; it refuses them as files that may not be read.
  if (QFileInfo(path).isDir()) throwCannotOpen(path, EISDIR);
  const int fd = fs.openRegular(path.toStdString());
  if (fd < 0) throwCannotOpen(path, -fd);
  const OpenFile file(fs, fd);

  QByteArray bytes;
  char chunk[64 * 1024];
  for (;;) {
    const std::int64_t got = fs.read(file.get(), chunk, sizeof chunk);
    if (got < 0) throwCannotOpen(path, static_cast<int>(-got));
    if (got == 0) break;
    bytes.append(chunk, static_cast<qsizetype>(got));
  }
  return bytes;
}

}  // namespace

QList<SourceFile> findSourceFiles(const QString& folder) {
  const QDir dir(folder);
  const QStringList names = dir.entryList(
      {QStringLiteral("*.txt")},
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
  QList<SourceFile> files;
  files.reserve(names.size());
  for (const QString& name : names) {
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    files.append({dot < 0 ? name : name.left(dot), folder + QLatin1Char('/') + name});
  }
  return files;
}

QString readSourceText(ravlin::FileSystem& fs, const QString& path) {
  QStringDecoder decode(QStringDecoder::System);
  QString text = decode(readAllBytes(fs, path));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}
