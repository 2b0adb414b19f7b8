// Hostile input, each case in a folder of its own: huge, NUL or random
// answers at every kind of question; counts and leg distances at and beyond
// every limit; location lists that are folders, binary, CRLF, enormous or
// full of long names.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <random>

#include "session.h"

namespace {

// Status 0 and, unless the user said y, a final line end after the input ran out.
void ExpectOrderlyEnd(const Session& s) {
  EXPECT_EQ(s.status, 0);
  ASSERT_FALSE(s.out.empty());
  EXPECT_TRUE(s.out.back() == '\n' || s.out.compare(s.out.size() - 13, 13, "\nExit (y/n)? ") == 0);
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

}  // namespace

TEST(HostileAnswers, AtEveryKindOfQuestion) {
  // Departure, destination, typed latitude and longitude, menu, the counts of
  // modes 1 and 2, leg distance, method, exit: {} is the hostile answer.
  const char* scripts[] = {"{}\n3\n4\n3\n500\n1\ny\n",     "3\n{}\n4\n3\n500\n1\ny\n",
                           "0\n{}\n20\n4\n3\n500\n1\ny\n", "0\n10\n{}\n4\n3\n500\n1\ny\n",
                           "3\n4\n{}\n3\n500\n1\ny\n",     "3\n4\n1\n{}\n5\ny\n",
                           "3\n4\n2\n{}\n5\n1\ny\n",       "3\n4\n3\n{}\n1\ny\n",
                           "3\n4\n3\n500\n{}\ny\n",        "3\n4\n3\n500\n1\n{}\ny\n"};
  const std::string answers[] = {std::string(1 << 20, '7'),
                                 std::string(1 << 20, 'x'),
                                 std::string(1 << 20, ' ') + "3",
                                 std::string(64, '\0'),
                                 RandomBytes(4096, 5),
                                 "-" + std::string(5000, '9'),
                                 "\r",
                                 "\x1b[2J"};
  for (const std::string script : scripts) {
    for (const std::string& answer : answers) {
      const Session s = Play(std::string(script).replace(script.find("{}"), 2, answer));
      SCOPED_TRACE(script.substr(0, 12) + " with an answer of " + std::to_string(answer.size()));
      ExpectOrderlyEnd(s);
      const std::string file = s.File("waypoints.dat");
      EXPECT_TRUE(file.empty() || s.out.find(file) != std::string::npos);
    }
  }
  // Typed numbers that are not numbers count as 0 (both ends 0 0: refused);
  // a coordinate line of any length is read whole, its first fields counting.
  const Session s = Play("0\n1e400\nnan\n0\ninf\n0x10\n0\n" + std::string(300, ' ') + "12 30 " +
                         std::string(100000, '7') + "\n-20.25\n3\ny\n");
  EXPECT_NE(s.out.find("= 0\nGive longitude of departure: longitude (degrees) = 0\n"),
            std::string::npos);
  EXPECT_NE(s.out.find("same. Please try again.\n"), std::string::npos);
  EXPECT_NE(s.out.find("latitude (degrees) = 12.5\n"), std::string::npos);
}

TEST(HostileAnswers, CountsAndLegDistancesAtTheLimits) {
  const char* kRange = "must be from 0 to 100000";
  const char* kShort = "ERROR!! Distance munt be larger than 1 N.M.";
  const char* kNoTable = "to calculate:\nExit (y/n)? ";
  const struct {
    const char* script;
    const char* shows;
  } cases[] = {
      {"1\n1\n", "\n 2   -33.865000"},
      {"1\n0\n", "\n 1   -33.865000"},
      {"1\n-1\n0\n", kRange},
      {"1\n100001\n0\n", kRange},
      {"1\n2147483648\n0\n", kRange},
      {"1\nnan\n", "\n 1   -33.865000"},
      {"1\n1e308\n0\n", "\n 2   -33.865000"},
      {"1\n100000\n", "\n100001   -33.865000"},
      {"2\n1\n1\n", "\n 2   -33.865000"},
      {"2\n-1\n", kNoTable},
      {"2\n0\n", kNoTable},
      {"2\nnan\n", kNoTable},
      {"2\n100001\n3\n2\n", "must not be more than 100000"},
      {"2\n2147483648\n3\n2\n", "must not be more than 100000"},
      {"2\n100000\n1\n", "\n100001   -33.865000"},
      {"2\n100000\n2\n", "\n100001   -33.865000"},
      {"3\n0\n", kShort},
      {"3\n0.999999\n", kShort},
      {"3\n-1\n", kShort},
      {"3\nnan\n", kShort},
      {"3\ninf\n", kShort},
      {"3\n1e400\n", kShort},
      {"3\n1\n2\n", "\nExit (y/n)? "},
      {"3\n1e308\n1\n", "\n 1   -33.865000"},
      {"3\n2147483648\n2\n", "\n 1   -33.865000"},
  };
  for (const auto& c : cases) {
    const Session s = Play(std::string("3\n4\n") + c.script + "y\n");  // mode first
    SCOPED_TRACE(c.script);
    ExpectOrderlyEnd(s);
    EXPECT_NE(s.out.find(c.shows), std::string::npos);
  }
}

TEST(HostileLocationLists, FoldersBinaryLineEndsAndLongNames) {
  const fs::path dir = Scratch();
  fs::create_directory(dir / "input.txt");
  std::istringstream in("y\n");
  std::ostringstream out, err;
  EXPECT_EQ(sailings::RunSailings(in, out, err, dir, false), -2);
  EXPECT_NE(err.str().find("Cannot open input.txt"), std::string::npos);
  const std::string longNames =
      std::string(5000, 'L') + "\t10 20\n" + std::string(5000, 'M') + "\t-10 -20\n";
  for (const std::string& list :
       {std::string(), RandomBytes(1 << 16, 11), std::string("A\t1 2\r\nB\t3 4\r\n"), longNames}) {
    ExpectOrderlyEnd(Play("1\n2\n2\n1\n1\ny\n", list.c_str()));
  }
  const Session s = Play("1\n2\n3\n100\n1\ny\n", longNames.c_str());
  EXPECT_NE(s.out.find("1.  " + std::string(255, 'L') + "  ( 10 , 20 )\n"), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from " + std::string(255, 'L') + " to "),
            std::string::npos);
}

TEST(HostileLocationLists, AHundredThousandEntries) {
  std::string list;
  for (int i = 0; i < 100000; ++i) {
    list += "Port " + std::to_string(i) + "\t" + std::to_string(-80 + i % 160) + "." +
            std::to_string(i % 97) + " " + std::to_string(-179 + i % 358) + ".5\n";
  }
  const auto start = std::chrono::steady_clock::now();
  const Session s = Play("1\n100000\n3\n100\n1\nn\n5\n99999\n2\n3\n2\ny\n", list.c_str());
  ExpectOrderlyEnd(s);
  EXPECT_NE(s.out.find("100000.  Port 99999  ("), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from Port 4 to Port 99998"), std::string::npos);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
#if !defined(__SANITIZE_ADDRESS__)
  // 100,000 records of 280 bytes and the captured 5 MB listings: nothing more.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 160 * 1024);
#endif
}
