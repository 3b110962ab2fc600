#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace qv::platform {

/// A fresh directory under /tmp per test, removed afterwards even when a test left some of it read-only.
class LinuxTempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qv-linux-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.is_directory() || e.is_regular_file())
                std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                             std::filesystem::perm_options::add);
        std::filesystem::remove_all(dir);
    }
    /// Writes a file, creating its directories.
    void write(const std::filesystem::path& rel, const std::string& text) const {
        std::filesystem::create_directories((dir / rel).parent_path());
        std::ofstream(dir / rel, std::ios::binary) << text;
    }
    std::string read(const std::filesystem::path& rel) const {
        std::ifstream in(dir / rel, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    /// A shell script, executable.
    std::string script(const std::string& name, const std::string& body) const {
        write(name, "#!/bin/sh\n" + body);
        std::filesystem::permissions(dir / name, std::filesystem::perms::owner_all);
        return (dir / name).string();
    }

    std::filesystem::path dir;
};

} // namespace qv::platform
