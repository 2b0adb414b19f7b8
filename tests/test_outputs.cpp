// Files and streams: nothing a path names is destroyed, outputs never
// overwrite each other or an input, and output that cannot be written is a
// failure. (Interrupted runs and /dev/stdout, /dev/full and /dev/stdin with
// the real program: program_test.sh and interrupt_test.py.)
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <thread>
#include <vector>

#include "cli/command_line.h"
#include "command.h"
#include "scratch.h"

namespace fs = std::filesystem;

namespace {

const char kList[] = "Cape Town\t-33.9249 18.4241\nNew York\t40.7128N 74.006W\n";

int Sailings(const fs::path& dir, std::vector<std::string> args, std::ostream& out,
             std::string* err = nullptr, const std::string& input = "") {
  args.insert(args.begin(), "sailings");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream e;
  const int status =
      sailings::RunCommandLine(static_cast<int>(argv.size()), argv.data(), in, out, e, dir);
  if (err) *err = e.str();
  return status;
}

std::string Read(const fs::path& file) { return ReadFile(file); }

std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A stream whose every write fails, as standard output on a full disk does.
class Full : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

}  // namespace

TEST(Outputs, WhatThePathNamesIsKept) {
  const fs::path dir = scratch::Folder("outputs");
  std::ostringstream out;
  const std::vector<std::string> table = {"table", "1", "2", "3", "4", "--points", "2"};
  const auto with = [&](const char* option, const std::string& path) {
    std::vector<std::string> args = table;
    args.insert(args.end(), {option, path});
    return args;
  };
  // A regular file is replaced whole and keeps its permissions.
  std::ofstream(dir / "old.gpx") << "earlier";
  fs::permissions(dir / "old.gpx",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Sailings(dir, with("--gpx", "old.gpx"), out), 0);
  EXPECT_EQ(Read(dir / "old.gpx").rfind("<?xml", 0), 0u);
  EXPECT_EQ(fs::status(dir / "old.gpx").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // A link is followed: the file it points to is replaced, the link stays,
  // also when that file does not exist yet.
  fs::create_symlink("old.gpx", dir / "link.gpx");
  fs::create_symlink(dir / "new.rtz", dir / "dangling.rtz");
  EXPECT_EQ(Sailings(dir, with("--gpx", "link.gpx"), out), 0);
  EXPECT_EQ(Sailings(dir, with("--rtz", "dangling.rtz"), out), 0);
  EXPECT_TRUE(fs::is_symlink(dir / "link.gpx"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.rtz"));
  EXPECT_EQ(Read(dir / "new.rtz").rfind("<?xml", 0), 0u);
  // A FIFO is written through to whoever reads it, and stays a FIFO.
  // (The test opens both ends itself before the run and closes its writing
  // end after it, so that its reader ends whatever the run did.)
  ASSERT_EQ(mkfifo((dir / "pipe.svg").c_str(), 0600), 0);
  const int readEnd = open((dir / "pipe.svg").c_str(), O_RDONLY | O_NONBLOCK);
  const int held = open((dir / "pipe.svg").c_str(), O_WRONLY);
  ASSERT_GE(readEnd, 0);
  fcntl(readEnd, F_SETFL, 0);
  std::string piped;
  std::thread reader([&] {
    char buffer[4096];
    for (ssize_t n; (n = read(readEnd, buffer, sizeof buffer)) > 0;)
      piped.append(buffer, static_cast<std::size_t>(n));
  });
  EXPECT_EQ(Sailings(dir, with("--svg", "pipe.svg"), out), 0);
  close(held);
  reader.join();
  close(readEnd);
  ASSERT_GT(piped.size(), 7u);
  EXPECT_EQ(piped.substr(piped.size() - 7), "</svg>\n");
  EXPECT_EQ(fs::status(dir / "pipe.svg").type(), fs::file_type::fifo);
  // A device is written through, never replaced: one like /dev/full (made
  // here where that is allowed) refuses the bytes, so the run fails.
  if (mknod((dir / "full").c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0) {
    std::string err;
    EXPECT_EQ(Sailings(dir, with("--rtz", "full"), out, &err), 1);
    EXPECT_EQ(err, "ERROR: cannot write full: No space left on device\n");
    EXPECT_EQ(fs::status(dir / "full").type(), fs::file_type::character);
  }
  // Nothing of the writers is left behind.
  for (const std::string& name : Listing(dir))
    EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

TEST(Outputs, CollisionsAreRefusedBeforeAnythingIsWritten) {
  const struct {
    std::vector<std::string> options;
    const char* says;  // on standard error, after "ERROR: "
  } cases[] = {
      {{"--rtz", "same.out", "--gpx", "same.out", "--svg", "same.out"},
       "--gpx and --rtz name the same file"},
      {{"--gpx", "a.gpx", "--svg", "sub/../a.gpx"}, "--gpx and --svg name the same file"},
      {{"--gpx", "a.gpx", "--rtz", "link.rtz"},
       "--gpx and --rtz name the same file"},  // link.rtz -> a.gpx
      {{"--list", "places.txt", "--gpx", "places.txt"}, "--gpx would overwrite the location list"},
      {{"--gpx", "input.txt"}, "--gpx would overwrite the location list"},  // the default list
  };
  for (const auto& c : cases) {
    const fs::path dir = scratch::Folder("outputs");
    std::ofstream(dir / "input.txt") << kList;
    std::ofstream(dir / "places.txt") << kList;
    fs::create_directory(dir / "sub");
    fs::create_symlink("a.gpx", dir / "link.rtz");
    const std::vector<std::string> before = Listing(dir);
    std::vector<std::string> args = {"table", "Cape Town", "New York", "--points", "2"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    std::ostringstream out;
    std::string err;
    EXPECT_EQ(Sailings(dir, args, out, &err), 2) << c.says;
    EXPECT_EQ(err.rfind(std::string("ERROR: ") + c.says, 0), 0u) << err;
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(Listing(dir), before) << c.says;
    EXPECT_EQ(Read(dir / "input.txt"), kList);
    EXPECT_EQ(Read(dir / "places.txt"), kList);
  }
  // A device may take several outputs: they are written one after another.
  // (A null device of the test's own: a build that replaced a device must
  // not destroy the machine's /dev/null.)
  const fs::path dir = scratch::Folder("outputs");
  if (mknod((dir / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
    std::ostringstream out;
    EXPECT_EQ(
        Sailings(dir,
                 {"table", "1", "2", "3", "4", "--points", "2", "--gpx", "null", "--rtz", "null"},
                 out),
        0);
    EXPECT_EQ(fs::status(dir / "null").type(), fs::file_type::character);
  }
}

TEST(Outputs, StandardOutputThatCannotBeWrittenIsAFailure) {
  const fs::path dir = scratch::Folder("outputs");
  std::ofstream(dir / "input.txt") << kList;
  const struct {
    std::vector<std::string> args;
    const char* input;
  } cases[] = {
      {{"route", "Cape Town", "New York"}, ""},
      {{"route", "Cape Town", "New York", "--compare", "--line"}, ""},
      {{"route", "--json"}, "1 2 3 4\n5 6 7 8\n"},
      {{"route"}, "1 2 3 4\n"},
      {{"table", "1", "2", "3", "4", "--leg", "10"}, ""},
      {{"table", "1", "2", "3", "4", "--leg", "10", "--csv", "--gpx", "t.gpx"}, ""},
      {{"--help"}, ""},
  };
  for (const auto& c : cases) {
    Full full;
    std::ostream out(&full);
    std::string err;
    EXPECT_EQ(Sailings(dir, c.args, out, &err, c.input), 1) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(err, "ERROR: standard output could not be written\n");
  }
}

TEST(Outputs, PathsThatCannotBeWrittenAreFailures) {
  // A file where a folder should be, and a link of the kernel's to a file
  // that is not open: one line with the reason, status 1, nothing written.
  const fs::path dir = scratch::Folder("outputs");
  std::ofstream(dir / "notes.txt") << "kept\n";
  const struct {
    const char* path;
    const char* error;
  } cases[] = {
      {"notes.txt/route.gpx",
       "ERROR: cannot write notes.txt/route.gpx: there is no folder notes.txt\n"},
      {"/proc/self/fd/987", "ERROR: cannot write /proc/self/fd/987: No such file or directory\n"}};
  for (const auto& c : cases) {
    std::ostringstream out;
    std::string err;
    EXPECT_EQ(Sailings(dir,
                       {"table", "1", "2", "3", "4", "--points", "2", "--svg", "chart.svg", "--gpx",
                        c.path},
                       out, &err),
              1);
    EXPECT_EQ(err, c.error);
    EXPECT_EQ(Listing(dir), std::vector<std::string>{"notes.txt"}) << c.path;
  }
  EXPECT_EQ(Read(dir / "notes.txt"), "kept\n");
  // A folder is named as such.
  fs::create_directory(dir / "charts");
  std::ostringstream out;
  std::string err;
  EXPECT_EQ(
      Sailings(dir, {"table", "1", "2", "3", "4", "--points", "2", "--gpx", "charts"}, out, &err),
      1);
  EXPECT_EQ(err, "ERROR: cannot write charts: it is a folder\n");
  fs::remove(dir / "charts");
  // A route file whose rows cannot all be written (here a file-size limit
  // in a child process): a failure with the reason, and no file at all.
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{200000, 200000};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::ostringstream table;
    std::string why;
    const int status = Sailings(
        dir, {"table", "1", "2", "3", "4", "--points", "100000", "--gpx", "big.gpx"}, table, &why);
    _exit(status == 1 &&
                  why == "ERROR: cannot write big.gpx: a scratch file for it: File too large\n"
              ? 0
              : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Listing(dir), std::vector<std::string>{"notes.txt"});
  // A device that no driver answers (as root a node can be made): written
  // through, the failure to open it reported.
  if (mknod((dir / "nodev").c_str(), S_IFCHR | 0600, makedev(240, 0)) == 0) {
    std::ostringstream out;
    std::string err;
    EXPECT_EQ(
        Sailings(dir, {"table", "1", "2", "3", "4", "--points", "2", "--gpx", "nodev"}, out, &err),
        1);
    EXPECT_EQ(err, "ERROR: cannot write nodev: No such device or address\n");
  }
}
