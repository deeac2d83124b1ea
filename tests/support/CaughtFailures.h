#pragma once

#include <functional>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Runs `body` and returns the messages of the failures it reported, which then do not count
// against the running test: a test of a test helper proves that the helper fails a test.
inline std::vector<std::string> caughtFailures(const std::function<void()>& body) {
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        body();
    }
    std::vector<std::string> messages;
    for (int i = 0; i < results.size(); ++i)
        messages.push_back(results.GetTestPartResult(i).message());
    return messages;
}
