// The text files that the "Source code" page lists and shows.
#include "SourceFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

[[noreturn]] void throwCannotOpen(const QString& path, int err) {
  const QString message = QStringLiteral("Cannot open file \"%1\". %2")
                              .arg(path, QString::fromLocal8Bit(std::strerror(err)));
  throw std::runtime_error(message.toStdString());
}

// Closes the descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { ::close(fd_); }
  int get() const { return fd_; }

 private:
  int fd_;
};

QByteArray readAllBytes(const QString& path) {
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throwCannotOpen(path, errno);
  const Descriptor file(fd);
  // A folder opens for reading on Linux; it is not a file to show, so it fails like one that
  // cannot be opened.
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throwCannotOpen(path, errno);
  if (S_ISDIR(info.st_mode)) throwCannotOpen(path, EISDIR);

  QByteArray bytes;
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(file.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      throwCannotOpen(path, errno);
    }
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

QString readSourceText(const QString& path) {
  QStringDecoder decode(QStringDecoder::System);
  QString text = decode(readAllBytes(path));
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}
