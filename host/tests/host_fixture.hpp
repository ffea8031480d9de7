// Shared fixture of the host tests: a fresh session and a private folder.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>
#include <standin/testing.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder_ = std::filesystem::temp_directory_path() /
                  ("kavohost_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
                   std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        ::setenv("KAVOHOST_SYSLOG", path("syslog.txt").c_str(), 1);
        ::setenv("KAVOHOST_LISTING", path("listing.txt").c_str(), 1);
        standin::reset_session();
    }
    void TearDown() override {
        standin::reset_session();
        ::unsetenv("KAVOHOST_SYSLOG");
        ::unsetenv("KAVOHOST_LISTING");
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    std::string path(const std::string& leaf) const { return (folder_ / leaf).string(); }

    static std::string read_file(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write_file(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    }

    std::filesystem::path folder_;
};
