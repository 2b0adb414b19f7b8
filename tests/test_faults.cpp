// Hostile input, each case in a folder of its own: answers that are huge, NUL
// bytes or random bytes at every kind of question; location lists that are
// folders, binary, CRLF, enormous or full of long names; counts and leg
// distances at and beyond every limit; typed numbers that are not numbers.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <random>

#include "session.h"

namespace {

// A session that reached an orderly end: status 0 and, unless it was
// answered with y, a final line end after the input ran out.
void ExpectOrderlyEnd(const Session& s) {
  EXPECT_EQ(s.status, 0);
  ASSERT_FALSE(s.out.empty());
  const bool exited = s.out.size() >= 13 && s.out.compare(s.out.size() - 13, 13, "\nExit (y/n)? ") == 0;
  EXPECT_TRUE(exited || s.out.back() == '\n');
}

long PeakMemoryKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

TEST(HostileAnswers, AtEveryKindOfQuestion) {
  // A session touching every question; {} marks where the hostile answer goes.
  const std::vector<std::string> scripts = {
      "{}\n3\n4\n3\n500\n1\ny\n",           // departure choice
      "3\n{}\n4\n3\n500\n1\ny\n",           // destination choice
      "0\n{}\n20\n4\n3\n500\n1\ny\n",       // typed latitude
      "0\n10\n{}\n4\n3\n500\n1\ny\n",       // typed longitude
      "3\n4\n{}\n3\n500\n1\ny\n",           // waypoint menu
      "3\n4\n1\n{}\n5\ny\n",                // mode 1 count
      "3\n4\n2\n{}\n5\n1\ny\n",             // mode 2 count
      "3\n4\n3\n{}\n1\ny\n",                // leg distance
      "3\n4\n3\n500\n{}\ny\n",              // method
      "3\n4\n3\n500\n1\n{}\ny\n",           // exit question
  };
  std::mt19937 rng(5);
  std::string random(4096, '\0');
  for (char& c : random) c = static_cast<char>(rng());
  const std::vector<std::string> answers = {
      std::string(1 << 20, '7'), std::string(1 << 20, 'x'), std::string(1 << 20, ' ') + "3",
      std::string(64, '\0'),     random,                      "-" + std::string(5000, '9'),
      "\r",                      "\x1b[2J"};
  for (const std::string& script : scripts) {
    for (const std::string& answer : answers) {
      std::string input = script;
      input.replace(input.find("{}"), 2, answer);
      const Session s = Play(input);
      SCOPED_TRACE(script.substr(0, 20) + " with an answer of " + std::to_string(answer.size()));
      ExpectOrderlyEnd(s);
      // A table, when one was made, is the console's table.
      const std::string file = s.File("waypoints.dat");
      if (!file.empty()) {
        EXPECT_NE(s.out.find(file), std::string::npos);
      }
    }
  }
}

TEST(HostileAnswers, CountsAndLegDistancesAtTheLimits) {
  struct Case {
    const char* script;
    const char* expect;  // a text the session must show
  };
  const Case cases[] = {
      {"3\n4\n1\n0\ny\n", "\n 1   -33.865000"},
      {"3\n4\n1\n-1\n0\ny\n", "must be from 0 to 100000"},
      {"3\n4\n1\n100001\n0\ny\n", "must be from 0 to 100000"},
      {"3\n4\n1\n2147483648\n0\ny\n", "must be from 0 to 100000"},
      {"3\n4\n1\n1e308\n0\ny\n", "\n 2   -33.865000"},  // 1, then "e308" refused as 0
      {"3\n4\n1\nnan\ny\n", "\n 1   -33.865000"},
      {"3\n4\n2\n1\n1\ny\n", "\n 2   -33.865000"},
      {"3\n4\n2\n-1\ny\n", "Please give number of intermediate waypoints to calculate:\nExit"},
      {"3\n4\n2\n100001\n3\n2\ny\n", "must not be more than 100000"},
      {"3\n4\n2\n2147483648\n3\n2\ny\n", "must not be more than 100000"},
      {"3\n4\n2\nnan\ny\n", "Please give number of intermediate waypoints to calculate:\nExit"},
      {"3\n4\n3\n0\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\n0.999999\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\n-1\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\nnan\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\ninf\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\n1e400\ny\n", "ERROR!! Distance munt be larger than 1 N.M."},
      {"3\n4\n3\n1e308\n1\ny\n", "\n 1   -33.865000"},
      {"3\n4\n3\n2147483648\n2\ny\n", "\n 1   -33.865000"},
      {"3\n4\n3\n1\n2\ny\n", "Exit (y/n)? "},
  };
  for (const Case& c : cases) {
    const Session s = Play(c.script);
    SCOPED_TRACE(c.script);
    ExpectOrderlyEnd(s);
    EXPECT_NE(s.out.find(c.expect), std::string::npos) << s.out.substr(s.out.size() - 400);
  }
}

TEST(HostileAnswers, TheLargestTablesStayWithinBounds) {
  for (const char* script : {"3\n4\n1\n100000\ny\n", "3\n4\n2\n100000\n1\ny\n",
                             "3\n4\n2\n100000\n2\ny\n"}) {
    const Session s = Play(script);
    ExpectOrderlyEnd(s);
    EXPECT_NE(s.out.find("\n100001   -33.865000"), std::string::npos) << script;
  }
}

TEST(HostileAnswers, TypedNumbersThatAreNotNumbers) {
  const Session s = Play("0\n1e400\nnan\n0\ninf\n0x10\n3\n500\n1\ny\n");
  ExpectOrderlyEnd(s);
  EXPECT_NE(s.out.find("latitude (degrees) = 0\nGive longitude of departure: longitude (degrees) = 0\n"),
            std::string::npos);
  EXPECT_NE(s.out.find("latitude (degrees) = 0\nGive longitude of destination: longitude (degrees) = 0\n"),
            std::string::npos);
  // Both typed as 0 0: the same position, refused; then the session goes on.
  EXPECT_NE(s.out.find("Departure and Destination locations are the same."), std::string::npos);
}

TEST(HostileLocationLists, FoldersBinaryLineEndsAndLongNames) {
  // A folder named input.txt cannot be read.
  Session s = Play("y\n", nullptr);
  fs::create_directory(s.dir / "input.txt");
  {
    std::istringstream in("y\n");
    std::ostringstream out, err;
    EXPECT_EQ(sailings::RunSailings(in, out, err, s.dir, false), -2);
    EXPECT_NE(err.str().find("Cannot open input.txt"), std::string::npos);
  }
  // Empty, binary, CRLF, names of 5000 characters.
  std::mt19937 rng(11);
  std::string binary(1 << 16, '\0');
  for (char& c : binary) c = static_cast<char>(rng());
  const std::string longName = std::string(5000, 'L') + "\t10 20\n" + std::string(5000, 'M') + "\t-10 -20\n";
  for (const std::string& list : {std::string(), binary, std::string("A\t1 2\r\nB\t3 4\r\n"), longName}) {
    s = Play("1\n2\n2\n1\n1\ny\n", list.c_str());
    ExpectOrderlyEnd(s);
  }
  s = Play("1\n2\n3\n100\n1\ny\n", longName.c_str());
  EXPECT_NE(s.out.find("1.  " + std::string(255, 'L') + "  ( 10 , 20 )\n"), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from " + std::string(255, 'L') + " to "), std::string::npos);
}

TEST(HostileLocationLists, AHundredThousandEntries) {
  std::string list;
  for (int i = 0; i < 100000; ++i) {
    list += "Port " + std::to_string(i) + "\t" + std::to_string(-80 + (i % 160)) + "." +
            std::to_string(i % 97) + " " + std::to_string(-179 + (i % 358)) + ".5\n";
  }
  const auto start = std::chrono::steady_clock::now();
  const Session s = Play("1\n100000\n3\n100\n1\nn\n5\n99999\n2\n3\n2\ny\n", list.c_str());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  ExpectOrderlyEnd(s);
  EXPECT_NE(s.out.find("100000.  Port 99999  ("), std::string::npos);
  EXPECT_NE(s.out.find("Calculating route from Port 4 to Port 99998"), std::string::npos);
  EXPECT_LT(seconds, 30.0);
#if !defined(__SANITIZE_ADDRESS__)
  // 100,000 records of 280 bytes and two copies of a 5 MB listing in memory:
  // nothing grows beyond what the list needs.
  EXPECT_LT(PeakMemoryKiB(), 160 * 1024);
#endif
}
