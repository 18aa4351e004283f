#include "C_MAP_UPG_PLUGIN.h"

C_MAP_UPG_PLUGIN* C_MAP_UPG_PLUGIN::m_pInstance = nullptr;
