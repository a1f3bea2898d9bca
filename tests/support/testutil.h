// Helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>

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

namespace zavotest {

// Path of a file under the shared test data folder.
std::string TestData(const std::string& relative);

// A fresh empty folder under the system's temporary folder, removed at exit.
std::string TempDir();

// The whole content of a file (empty when it cannot be read), and a file made of bytes.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace zavotest
