// Files written whole or not at all.
//
// A path that names a regular file, or nothing yet, is written under a
// temporary name beside it and renamed over it at the end: a reader never
// sees half a file, and an earlier file survives any failure or interruption.
// A symbolic link is followed, so the file it points to is replaced and the
// link stays. A path that names a character device or a FIFO (/dev/stdout,
// a pipe), or that reaches through /dev or /proc, is written through: it
// cannot be renamed over without destroying it. A folder, a block device or
// a socket is refused with the reason.
//
// Rows streamed while a table is made go to scratch files (beside a renamed
// target, in the temporary folder for one written through); they and the
// temporary file are removed when their writer ends, and, once
// RemoveScratchFilesOnSignals() is called, when the process is interrupted.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sailings/files.hpp"

namespace sailings {

struct OutputTarget {
  std::filesystem::path path;  // the file to write (links followed when it is renamed over)
  bool through = false;        // written through: a device, a FIFO, /dev or /proc
};

// Where `requested` is written; false with the reason ("it is a folder", ...).
bool ResolveOutput(const std::filesystem::path& requested, OutputTarget& target,
                   std::string& reason);

// A scratch file for streamed rows. Write() failures are remembered and told
// by Close().
class ScratchFile {
 public:
  // `tag` names it ("points", "waypoints", ...).
  ScratchFile(const OutputTarget& target, const char* tag);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  void Write(std::string_view text);
  // Finishes writing; false, with the reason in `error`, when the file could
  // not be made or written.
  bool Close(std::string& error);
  const std::filesystem::path& path() const { return path_; }

 private:
  void Fail();

  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  int slot_ = -1;
  std::string error_;
};

// A piece of a file: literal text, or the contents of a scratch file.
struct FilePiece {
  std::string text;
  const ScratchFile* file = nullptr;  // used when not null
};

// Writes the pieces in order to `target` (see above). False, with the
// reason in `error`, when anything fails; a renamed target is then as it was.
bool AssembleFile(const OutputTarget& target, const std::vector<FilePiece>& pieces,
                  std::string& error);

}  // namespace sailings
