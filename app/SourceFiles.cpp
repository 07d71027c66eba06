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
  // Without O_NONBLOCK, opening a FIFO would wait for a writer and freeze the window.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throwCannotOpen(path, errno);
  const Descriptor file(fd);
  // Only a regular file has an end to read up to: a FIFO may never deliver one and a device such
  // as /dev/zero never ends. A folder fails with its own reason, anything else as a file that may
  // not be read.
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) throwCannotOpen(path, errno);
  if (S_ISDIR(info.st_mode)) throwCannotOpen(path, EISDIR);
  if (!S_ISREG(info.st_mode)) throwCannotOpen(path, EACCES);

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
