// A temporary unit for the host service tests: host folders mapped as the
// medium "/bd0" (FAT) and "/SYSTEM_TMP_DATA", with every service at its defaults.
#ifndef TESTS_HOST_HOST_FIXTURE_H
#define TESTS_HOST_HOST_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "temp_unit.h"

class HostTest : public TempUnitTest {
  protected:
    HostTest() : TempUnitTest(HostOptions()) {}

    // Writes bytes to the file at unit path "/bd0/<name>"; returns the unit path.
    std::string WriteMedium(const std::string& name, const std::string& bytes) {
        temp_unit::WriteHostFile(m_root / "bd0" / name, bytes);
        return "/bd0/" + name;
    }
    std::string HostFolder(const std::string& sub) const { return (m_root / sub).string(); }

  private:
    // No card, no "/SYSTEM", no manager: the services tests add what they need.
    static TempUnitOptions HostOptions() {
        TempUnitOptions options("host_tests");
        options.card_and_system = false;
        options.manager = false;
        options.capture_console = false;
        return options;
    }
};

#endif
