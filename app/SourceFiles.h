// The text files that the "Source code" page lists and shows.
#pragma once

#include <QList>
#include <QString>

namespace ravlin {
class FileSystem;
}

struct SourceFile {
  QString displayName;  // the name up to its first "."
  QString path;         // folder + "/" + the whole name
};

// Every entry of `folder` whose name ends in ".txt" in any letter case, hidden entries and
// sub-folders included, sorted by name.
QList<SourceFile> findSourceFiles(const QString& folder);

// The text of the file at `path`, read through the engine's file layer `fs`, its bytes taken in
// the system's 8-bit encoding, with every CR LF, lone CR and lone LF made one line break. Throws std::runtime_error with the message
// `Cannot open file "<path>". <the system's reason>` when the file cannot be opened or read, or
// is no regular file (a FIFO or device: "Permission denied"); it never waits for a writer.
QString readSourceText(ravlin::FileSystem& fs, const QString& path);
