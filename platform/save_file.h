#pragma once
// Every file the program writes goes through here: the new content replaces the old in one step,
// so a failed or cancelled write leaves the old file byte-identical, and failures are reported.
#include <QByteArray>
#include <QFile>
#include <QString>

// For files a person keeps (icons, libraries, exports, settings): the content goes to a new file
// beside the target, which is forced to disk and then renamed over the target. On failure the
// error text names the file and the system's reason, e.g.
//   The file "/home/me/a.ico" cannot be saved: No space left on device.
bool WriteFileAtomic(const QString& path, const QByteArray& data, QString* error = nullptr);
// For working files that live for one run (undo snapshots, the recycle bin, library working
// files): written under a temporary name beside the target and renamed over it, so a reader never
// sees half a file, but not forced to disk, so an edit never waits for the disk. Every step is
// still checked and failures are reported as above.
bool WriteWorkingFile(const QString& path, const QByteArray& data, QString* error = nullptr);
// Opens the file for reading only when what is opened is a regular file (links followed): the
// descriptor is opened without waiting and checked itself, so a name swapped for a pipe after
// it was looked at still cannot block. False (file closed) otherwise; reason, when given, then
// holds the system's text if the name could not be opened at all, else stays empty.
bool OpenRegularFile(const QString& fileName, QFile& file, QString* reason = nullptr);
// Reads a whole file; false (and an error text) when it cannot be opened or read.
bool ReadWholeFile(const QString& path, QByteArray& data, QString* error = nullptr);
