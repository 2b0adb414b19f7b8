// The command line run in-process in a folder: its status and its two
// streams.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"

struct Outcome {
  int status = 0;
  std::string out, err;
  std::filesystem::path dir;
};

// `sailings ARGS` in `dir`, with `input` on standard input.
inline Outcome RunCommand(std::vector<std::string> args, const std::filesystem::path& dir,
                          const std::string& input = "") {
  args.insert(args.begin(), "sailings");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::istringstream in(input);
  std::ostringstream out, err;
  Outcome r;
  r.dir = dir;
  r.status =
      sailings::RunCommandLine(static_cast<int>(argv.size()), argv.data(), in, out, err, dir);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
