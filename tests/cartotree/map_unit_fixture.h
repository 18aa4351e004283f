/*
 * A temporary unit for the map plugin and its cartography tree (see
 * temp_unit.h). The plugin is created on demand with the medium's root "/bd0/".
 */
#ifndef TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H
#define TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include <C_MAP_UPG_CARTOTREE.h>
#include <C_MAP_UPG_PLUGIN.h>

#include "temp_unit.h"

class MapUnitTest : public TempUnitTest {
  protected:
    MapUnitTest() : TempUnitTest(TempUnitOptions("map_unit")) {}

    void TearDown() override {
        DestroyPlugin();
        TempUnitTest::TearDown();
    }

    /* The plugin, as the manager creates it; its step log is open afterwards. */
    C_MAP_UPG_PLUGIN* CreatePlugin() {
        upgplugin_GetInstance(CMMString("/bd0/"));
        return C_MAP_UPG_PLUGIN::m_pInstance;
    }

    void DestroyPlugin() {
        C_MAP_UPG_PLUGIN* l_plugin = C_MAP_UPG_PLUGIN::m_pInstance;
        if (l_plugin != nullptr) {
            l_plugin->SetUpgradeLogging(UPG_LOG_STOP, UPG_LOG_MAP);
            delete l_plugin;
        }
        C_MAP_UPG_PLUGIN::m_pInstance = nullptr;
    }

    static std::string Text(const CMMString& p_text) { return std::string(p_text.GetBuffer()); }
};

#endif /* TESTS_CARTOTREE_MAP_UNIT_FIXTURE_H */
