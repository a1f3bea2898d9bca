// Helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/exceptions.h"

// Asserts that stmt throws exactly the exception class E (or one derived from it) with message text.
#define EXPECT_THROW_MSG(stmt, E, text)                                              \
    do {                                                                             \
        try {                                                                        \
            stmt;                                                                    \
            ADD_FAILURE() << "no exception from " #stmt;                             \
        } catch (const E& e_) {                                                      \
            EXPECT_EQ(std::string(e_.Message()), std::string(text));                 \
        } catch (const std::exception& other_) {                                     \
            ADD_FAILURE() << "unexpected exception: " << other_.what();              \
        }                                                                            \
    } while (0)

// Skips the test, from its body or its fixture's SetUp, when the independent test files are absent.
#define ZAVO_NEEDS_TESTDATA()          \
    if (zavotest::HaveTestData()) {    \
    } else                             \
        GTEST_SKIP() << zavotest::MissingTestDataLine()

namespace zavotest {

// The folder of the independent test files (other programs' test suites): $ZAVO_TESTDATA when
// set, else the folder the build was configured with. Tests that read it skip without it.
std::string TestDataFolder();
bool HaveTestData();
std::string MissingTestDataLine();
// Path of a file in that folder. The test must have skipped already when the folder is absent
// (ZAVO_NEEDS_TESTDATA); one that did not fails here instead of reading nothing.
std::string TestData(const std::string& relative);
// Path of a file of the project's own under tests/data.
std::string OwnData(const std::string& relative);

// A fresh empty folder under the system's temporary folder, removed at exit.
std::string TempDir();

// The whole content of a file (empty when it cannot be read), and a file made of bytes.
std::string ReadFile(const std::string& path);
// All that was written to a temporary file so far.
std::string Captured(std::FILE* f);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace zavotest
