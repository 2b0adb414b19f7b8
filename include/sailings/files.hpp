// sailings: the files a face writes, whole or not at all.
//
// A path that names a regular file, or nothing yet, is written under a
// temporary name beside it and renamed over it at the end: a reader never
// sees half a file, and an earlier file survives any failure or interruption.
// A symbolic link is followed, so the file it points to is replaced and the
// link stays. A path that names a character device or a FIFO (/dev/stdout,
// a pipe), or that reaches through /dev or /proc, is written through: it
// cannot be renamed over without destroying it. A folder, a block device or
// a socket is refused with the reason.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sailings {

// Whether `path` can be written as told above, as far as can be known
// before writing; false with the reason ("it is a folder", ...).
bool CanWriteOutput(const std::filesystem::path& path, std::string& reason);

// Whether two paths name the same file as outputs or inputs would use it: the
// same existing file (a character device never counts: /dev/null twice is
// fine), or the same path once links are followed for one not yet there.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes `path` when it is a regular file (a stale output); a folder, a
// link or a device is left alone.
void RemoveRegularFile(const std::filesystem::path& path);

// The files of one piece of work, written together: while a batch is open
// on a thread, a file finished there is held, whole, under its temporary
// name, and Commit() renames every one into place; a batch ended without
// Commit() removes them, so that a failure late in the work (a file that
// cannot be written, a table that cannot be finished) leaves every earlier
// file as it was. A file written through (a device, a FIFO) cannot be held
// and is written when it is finished. Batches do not nest.
class OutputBatch {
 public:
  OutputBatch();
  ~OutputBatch();
  OutputBatch(const OutputBatch&) = delete;
  OutputBatch& operator=(const OutputBatch&) = delete;
  // Renames the files held, in the order they were finished. False with the
  // file and the reason in `error` when one cannot be; the files not yet
  // renamed are then removed.
  bool Commit(std::string& error);

  struct Held;  // a file held (the writers' own record)

 private:
  std::vector<Held>* held_;
};

// From now on SIGINT, SIGTERM and SIGHUP remove the scratch and temporary
// files of every writer before the process ends by that signal.
void RemoveScratchFilesOnSignals();

}  // namespace sailings
