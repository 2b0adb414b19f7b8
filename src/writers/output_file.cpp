#include "writers/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include "sailings/files.hpp"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <system_error>

namespace sailings {

namespace fs = std::filesystem;

// A file finished while a batch is open: its temporary file, its target,
// and its slot among the files removed on a signal.
struct OutputBatch::Held {
  fs::path part, target;
  int slot = -1;
};

namespace {

// The files to remove if the process is interrupted: a fixed table, so that
// the signal handler reads it without allocating or locking. A slot is free
// (0), being filled (1) or holds a path (2).
constexpr int kSlots = 64;
struct Slot {
  std::atomic<int> state{0};
  char path[4096];
};
Slot slots[kSlots];

int Register(const fs::path& path) {
  const std::string text = path.string();
  if (text.size() >= sizeof slots[0].path) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = 0;
    if (slots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(slots[i].path, text.c_str(), text.size() + 1);
      slots[i].state.store(2);
      return i;
    }
  }
  return -1;
}

void Unregister(int slot) {
  if (slot >= 0) slots[slot].state.store(0);
}

extern "C" void RemoveScratchAndEnd(int signal) {
  for (Slot& slot : slots) {
    if (slot.state.load() == 2) unlink(slot.path);
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

std::string Reason(int error) { return std::strerror(error); }

// The files of the batch open on this thread, if one is.
thread_local std::vector<OutputBatch::Held>* openBatch = nullptr;

// A name beside `file` that no other writer, in this process or another, uses.
fs::path UniqueBeside(const fs::path& dir, const std::string& base, const char* tag) {
  static std::atomic<unsigned> counter{0};
  return dir / (base + "." + tag + "." + std::to_string(getpid()) + "-" +
                std::to_string(counter.fetch_add(1)) + ".part");
}

// Creates a file of a new name; -1 (errno set) when it cannot be made.
int CreateNew(fs::path& path, const fs::path& dir, const std::string& base, const char* tag,
              mode_t mode) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = UniqueBeside(dir, base, tag);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool CopyInto(int fd, const fs::path& from) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  char buffer[1 << 16];
  bool ok = true;
  for (;;) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!WriteAll(fd, buffer, static_cast<std::size_t>(n))) {
      ok = false;
      break;
    }
  }
  const int saved = errno;
  close(in);
  errno = saved;
  return ok;
}

bool UnderProc(const fs::path& path) {
  const std::string text = path.lexically_normal().string();
  return text == "/proc" || text.compare(0, 6, "/proc/") == 0;
}

// `path` with every symbolic link of its last component followed; `magic`
// when a link leads into /proc (the kernel's links to open files, such as
// /dev/stdout), which only the kernel can follow. False when links loop.
bool FollowLinks(fs::path path, fs::path& out, bool& magic) {
  path = fs::absolute(path);
  magic = UnderProc(path);
  for (int hops = 0; hops < 40 && !magic; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      out = path;
      return true;
    }
    std::error_code ec;
    const fs::path next = fs::read_symlink(path, ec);
    if (ec) {
      out = path;
      return true;
    }
    path = (next.is_absolute() ? next : path.parent_path() / next).lexically_normal();
    magic = UnderProc(path);
  }
  out = path;
  return magic;
}

}  // namespace

bool CanWriteOutput(const fs::path& path, std::string& reason) {
  OutputTarget target;
  return ResolveOutput(path, target, reason);
}

bool ResolveOutput(const fs::path& requested, OutputTarget& target, std::string& reason) {
  fs::path path;
  bool magic = false;
  if (!FollowLinks(requested, path, magic)) {
    reason = Reason(ELOOP);
    return false;
  }
  if (magic) path = fs::absolute(requested);  // the kernel follows it
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (magic) {
      reason = Reason(errno);
      return false;
    }
    // A new file: its folder must be there.
    struct stat folder;
    if (stat(path.parent_path().c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode)) {
      reason = "there is no folder " + path.parent_path().filename().string();
      return false;
    }
    target = {path, false};
    return true;
  }
  if (S_ISDIR(st.st_mode)) {
    reason = "it is a folder";
    return false;
  }
  if (S_ISREG(st.st_mode)) {
    target = {path, magic};
    return true;
  }
  if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
    target = {path, true};
    return true;
  }
  reason = "it is neither a regular file nor a device or FIFO to write through";
  return false;
}

bool SameFile(const fs::path& a, const fs::path& b) {
  const auto key = [](const fs::path& p) -> std::string {
    struct stat st;
    if (stat(fs::absolute(p).c_str(), &st) == 0) {
      if (S_ISCHR(st.st_mode)) return {};
      return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    }
    fs::path resolved;
    bool magic = false;
    FollowLinks(p, resolved, magic);
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(resolved, ec);
    return "path:" + (ec ? resolved : canonical).string();
  };
  const std::string ka = key(a);
  return !ka.empty() && ka == key(b);
}

ScratchFile::ScratchFile(const OutputTarget& target, const char* tag) {
  std::error_code ec;
  const fs::path dir = target.through ? fs::temp_directory_path(ec) : target.path.parent_path();
  const std::string base = (target.through ? "sailings-" : "") + target.path.filename().string();
  const int fd = CreateNew(path_, dir, base, tag, 0600);
  if (fd < 0) {
    Fail();
    path_.clear();
    return;
  }
  slot_ = Register(path_);
  file_ = fdopen(fd, "wb");
  if (!file_) {
    Fail();
    close(fd);
  }
}

void ScratchFile::Fail() {
  if (error_.empty()) error_ = "a scratch file for it: " + Reason(errno);
}

ScratchFile::~ScratchFile() {
  if (file_) std::fclose(file_);
  if (!path_.empty()) unlink(path_.c_str());
  Unregister(slot_);
}

void ScratchFile::Write(std::string_view text) {
  if (file_ && std::fwrite(text.data(), 1, text.size(), file_) != text.size()) Fail();
}

bool ScratchFile::Close(std::string& error) {
  if (file_) {
    if (std::fclose(file_) != 0) Fail();
    file_ = nullptr;
  }
  error = error_;
  return error_.empty();
}

bool AssembleFile(const OutputTarget& target, const std::vector<FilePiece>& pieces,
                  std::string& error) {
  const auto write = [&pieces](int fd) {
    for (const FilePiece& piece : pieces) {
      const bool ok = piece.file ? CopyInto(fd, piece.file->path())
                                 : WriteAll(fd, piece.text.data(), piece.text.size());
      if (!ok) return false;
    }
    return true;
  };
  if (target.through) {
    const int fd = open(target.path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
      error = Reason(errno);
      return false;
    }
    const bool written = write(fd);
    const int saved = errno;
    if (close(fd) != 0 && written) {
      error = Reason(errno);
      return false;
    }
    if (!written) error = Reason(saved);
    return written;
  }

  // The earlier file's permissions carry over to the new one.
  struct stat st;
  const bool existed = stat(target.path.c_str(), &st) == 0;
  fs::path part;
  const int fd = CreateNew(part, target.path.parent_path(), target.path.filename().string(), "new",
                           existed ? (st.st_mode & 07777) : 0666);
  if (fd < 0) {
    error = Reason(errno);
    return false;
  }
  const int slot = Register(part);
  bool ok = write(fd);
  int saved = errno;
  if (ok && existed && fchmod(fd, st.st_mode & 07777) != 0) ok = false, saved = errno;
  if (close(fd) != 0 && ok) ok = false, saved = errno;
  if (ok && openBatch) {  // held whole until the batch is committed
    openBatch->push_back({part, target.path, slot});
    return true;
  }
  if (ok && std::rename(part.c_str(), target.path.c_str()) != 0) ok = false, saved = errno;
  if (!ok) {
    unlink(part.c_str());
    error = Reason(saved);
  }
  Unregister(slot);
  return ok;
}

OutputBatch::OutputBatch() : held_(new std::vector<Held>()) { openBatch = held_; }

OutputBatch::~OutputBatch() {
  for (Held& h : *held_) {
    unlink(h.part.c_str());
    Unregister(h.slot);
  }
  if (openBatch == held_) openBatch = nullptr;
  delete held_;
}

bool OutputBatch::Commit(std::string& error) {
  std::vector<Held> held = std::move(*held_);
  held_->clear();
  bool ok = true;
  for (Held& h : held) {
    if (ok && std::rename(h.part.c_str(), h.target.c_str()) != 0) {
      ok = false;
      error = h.target.filename().string() + ": " + Reason(errno);
    }
    if (!ok) unlink(h.part.c_str());
    Unregister(h.slot);
  }
  return ok;
}

void RemoveRegularFile(const fs::path& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) unlink(path.c_str());
}

void RemoveScratchFilesOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {
    }, before{};
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    action.sa_handler = RemoveScratchAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

}  // namespace sailings
