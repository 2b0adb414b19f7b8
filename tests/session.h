// A dialogue run in-process on scripted input, in a scratch folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "dialogue/driver.h"
#include "output_check.h"
#include "scratch.h"

namespace fs = std::filesystem;

inline const char kList[] =
    "Origin\t0 0\nSixty East\t0 60\nNorth\t50 -10\nSouth\t-33.865 -151.2093\n";

struct Session {
  std::string out, err;
  int status;
  fs::path dir;
  std::string File(const char* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

inline fs::path Scratch() { return scratch::Folder("dialogue"); }

inline Session Play(const std::string& input, const char* list = kList) {
  Session s;
  s.dir = Scratch();
  if (list) std::ofstream(s.dir / "input.txt", std::ios::binary) << list;
  std::istringstream in(input);
  std::ostringstream out, err;
  s.status = sailings::RunSailings(in, out, err, s.dir, false);
  s.out = out.str();
  s.err = err.str();
  EXPECT_FALSE(check::HasNonFiniteNumber(s.out));
  EXPECT_FALSE(check::HasNonFiniteNumber(s.File("waypoints.dat")));
  return s;
}
