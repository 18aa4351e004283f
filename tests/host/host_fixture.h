// A temporary unit for the host service tests: host folders mapped as the
// medium "/bd0" (FAT) and "/SYSTEM_TMP_DATA", with every service at its defaults.
#ifndef TESTS_HOST_HOST_FIXTURE_H
#define TESTS_HOST_HOST_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

class HostTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to the file at unit path "/bd0/<name>"; returns the unit path.
    std::string WriteMedium(const std::string& name, const std::string& bytes);
    std::string HostFolder(const std::string& sub) const { return m_root + "/" + sub; }

    std::string m_root;
};

#endif
